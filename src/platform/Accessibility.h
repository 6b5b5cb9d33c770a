#pragma once

// The accessibility port: the permission, the element that has keyboard
// focus and a few of its attributes. Attribute values use the accessibility
// vocabulary of the Apple platform ("AXTextField", "AXSecureTextField",
// "AXSearchField", ...); adapters for other systems map their roles onto it.

#include <cstdint>
#include <optional>
#include <string>

namespace halvora::platform {

using ProcessId = std::int32_t;

/// Identity of one UI element: equal values denote the same element.
struct AccessibilityElement {
    /// The process that owns the element.
    ProcessId pid = 0;
    /// Opaque handle the adapter uses to reach the element again.
    std::uint64_t handle = 0;

    bool operator==(const AccessibilityElement&) const = default;
};

/// The string attributes of an element the core reads. Each is empty when
/// the attribute is missing, cannot be read in time, or is not a string.
struct ElementAttributes {
    std::string role{};              ///< "AXRole"
    std::string subrole{};           ///< "AXSubrole"
    std::string description{};       ///< "AXDescription"
    std::string title{};             ///< "AXTitle"
    std::string placeholderValue{};  ///< "AXPlaceholderValue"

    bool operator==(const ElementAttributes&) const = default;
};

/// Every call that messages another application gives up after
/// `timeoutSeconds`, so that an application that does not answer cannot hold
/// up a keystroke; giving up counts as a failure.
class Accessibility {
  public:
    virtual ~Accessibility() = default;

    /// Whether this process may use the accessibility interfaces.
    virtual bool isProcessTrusted() const = 0;

    /// Like `isProcessTrusted`, and asks the system to show its permission
    /// prompt when the process is not trusted.
    virtual bool promptForTrust() = 0;

    /// The element that has keyboard focus in the whole system; nothing when
    /// it cannot be read (no permission, no focus, no answer in time, not an
    /// element).
    virtual std::optional<AccessibilityElement> focusedElement(double timeoutSeconds) = 0;

    virtual ElementAttributes attributes(const AccessibilityElement& element,
                                         double timeoutSeconds) = 0;

    /// Asks the element to take keyboard focus within its application; false
    /// when the request failed.
    virtual bool setFocused(const AccessibilityElement& element, double timeoutSeconds) = 0;
};

}  // namespace halvora::platform
