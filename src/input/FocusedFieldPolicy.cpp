#include "input/FocusedFieldPolicy.h"

#include "text/Unicode.h"

#include <algorithm>
#include <array>

namespace halvora::input::FocusedFieldPolicy {
namespace {

// Lower case, matched as substrings of the lower-cased labels.
constexpr std::array<std::string_view, 10> sensitivePhrases{
    "card number", "credit card", "debit card",       "cvv",         "cvc", "security code",
    "số thẻ",      "mã bảo mật",  "ngày hết hạn thẻ", "card expiry",
};

constexpr std::array<std::string_view, 7> addressBarPhrases{
    "address and search", "search or enter address", "smart search field",  "address bar",
    "location bar",       "thanh địa chỉ",           "địa chỉ và tìm kiếm",
};

constexpr std::array<std::string_view, 7> browserBundleIdentifiers{
    "com.apple.safari",        "com.google.chrome", "org.mozilla.firefox",
    "com.microsoft.edgemac",   "com.brave.browser", "company.thebrowser.browser",
    "com.operasoftware.opera",
};

// The same browsers and a few more on Linux, by the identifiers the
// keystroke bridge gives their programs.
constexpr std::array<std::string_view, 6> linuxBrowserIdentifiers{
    "org.chromium.chromium", "com.microsoft.edge", "com.opera.opera",
    "com.vivaldi.vivaldi",   "org.gnome.epiphany", "io.gitlab.librewolf-community",
};

template <std::size_t N>
bool containsAny(std::string_view text, const std::array<std::string_view, N>& phrases) {
    return std::any_of(phrases.begin(), phrases.end(), [text](std::string_view phrase) {
        return text.find(phrase) != std::string_view::npos;
    });
}

}  // namespace

FocusedFieldKind inspect(platform::Accessibility& accessibility, bool inBrowser) {
    const auto element = accessibility.focusedElement(messagingTimeout);
    if (!element) {
        return FocusedFieldKind::ordinary;
    }
    const platform::ElementAttributes attributes =
        accessibility.attributes(*element, messagingTimeout);
    return classify(attributes.role, attributes.subrole,
                    {attributes.description, attributes.title, attributes.placeholderValue},
                    inBrowser);
}

FocusedFieldKind classify(std::string_view role, std::string_view subrole,
                          const std::vector<std::string>& labels, bool inBrowser) {
    if (subrole == "AXSecureTextField") {
        return FocusedFieldKind::sensitive;
    }
    if (role != "AXTextField") {
        return FocusedFieldKind::ordinary;
    }
    std::string joined;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (i > 0) {
            joined += ' ';
        }
        joined += labels[i];
    }
    // Labels may arrive decomposed; the phrases are precomposed.
    const std::string text = halvora::text::lowercased(halvora::text::toNFC(joined));
    if (containsAny(text, sensitivePhrases)) {
        return FocusedFieldKind::sensitive;
    }
    if (inBrowser && (subrole == "AXSearchField" || containsAny(text, addressBarPhrases))) {
        return FocusedFieldKind::addressBar;
    }
    return FocusedFieldKind::ordinary;
}

bool isBrowser(std::optional<std::string_view> bundleIdentifier) {
    if (!bundleIdentifier) {
        return false;
    }
    const std::string lowered = halvora::text::lowercased(*bundleIdentifier);
    return std::find(browserBundleIdentifiers.begin(), browserBundleIdentifiers.end(), lowered) !=
               browserBundleIdentifiers.end() ||
           std::find(linuxBrowserIdentifiers.begin(), linuxBrowserIdentifiers.end(), lowered) !=
               linuxBrowserIdentifiers.end();
}

}  // namespace halvora::input::FocusedFieldPolicy
