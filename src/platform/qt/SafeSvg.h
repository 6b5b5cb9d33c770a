#pragma once

#include <QByteArray>

#include <optional>

namespace halvora::platform::qt {

/// An SVG document rewritten so that drawing it reads nothing but itself:
/// Qt's renderer follows <image href="/a/local/file.png"> (and would draw an
/// image embedded as a data: URL with every reader Qt has, SVG included).
/// Every reference that is not a fragment of the document ("#id") and not
/// an embedded PNG, JPEG or GIF picture is dropped, and so is the document
/// type declaration with any entities it declares. In CSS (style attributes,
/// <style> elements, presentation attributes) every url() but a fragment's
/// becomes "none" and @import rules are dropped, whatever escapes spell them. Nothing when the text
/// is not well-formed XML (compressed SVG included: nothing here draws it).
std::optional<QByteArray> withoutExternalReferences(const QByteArray& svg);

}  // namespace halvora::platform::qt
