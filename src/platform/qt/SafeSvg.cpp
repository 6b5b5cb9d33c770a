#include "platform/qt/SafeSvg.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <utility>

namespace halvora::platform::qt {
namespace {

/// An embedded raster picture: a base64 data: URL whose bytes begin as a
/// PNG, JPEG or GIF file. Anything else could be drawn by another reader.
bool isEmbeddedRaster(QStringView reference) {
    const qsizetype comma = reference.indexOf(u',');
    if (!reference.startsWith(u"data:", Qt::CaseInsensitive) || comma < 0 ||
        !reference.left(comma).endsWith(u";base64", Qt::CaseInsensitive)) {
        return false;
    }
    const QByteArray bytes =
        QByteArray::fromBase64(reference.mid(comma + 1).toLatin1().left(16).leftJustified(16, '='));
    return bytes.startsWith("\x89PNG") || bytes.startsWith("\xFF\xD8\xFF") ||
           bytes.startsWith("GIF8");
}

bool isSafeReference(QStringView value) {
    const QStringView trimmed = value.trimmed();
    return trimmed.startsWith(u'#') || isEmbeddedRaster(trimmed);
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isCssSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

/// CSS text with its escapes of letters, digits and code points written out
/// ("u\72l(" is the url( it stands for, "\@import" the rule), so that what
/// follows sees the words a CSS parser would. An escaped punctuation mark
/// (a quote inside a string) is kept escaped.
QString withEscapesDecoded(QStringView css) {
    QString out;
    out.reserve(css.size());
    for (qsizetype i = 0; i < css.size(); ++i) {
        if (css[i] != u'\\' || i + 1 == css.size()) {
            out += css[i];
            continue;
        }
        qsizetype end = i + 1;
        while (end < css.size() && end - i <= 6 && isHexDigit(css[end])) {
            ++end;
        }
        if (end > i + 1) {
            bool ok = false;
            const uint code = css.mid(i + 1, end - i - 1).toUInt(&ok, 16);
            // What XML cannot carry (controls, surrogates) becomes U+FFFD, as in CSS.
            if (ok && code >= 0x20 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
            } else {
                out += QChar(0xFFFD);
            }
            if (end < css.size() && isCssSpace(css[end])) {
                ++end;  // the one space that ends a code point
            }
            i = end - 1;
        } else if (css[i + 1].isLetterOrNumber() || css[i + 1] == u'@' || css[i + 1] == u'(') {
            out += css[i + 1];
            ++i;
        } else {
            out += css[i];
        }
    }
    return out;
}

bool startsWithWord(QStringView text, qsizetype at, QStringView word) {
    return text.mid(at, word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

/// Where the url( that opens at `open` (just past the parenthesis) ends, just
/// past its closing parenthesis, and what it refers to. An unterminated one
/// runs to the end of the text, as in a CSS parser.
std::pair<qsizetype, QString> readUrl(QStringView css, qsizetype open) {
    qsizetype i = open;
    while (i < css.size() && isCssSpace(css[i])) {
        ++i;
    }
    QString target;
    if (i < css.size() && (css[i] == u'"' || css[i] == u'\'')) {
        const QChar quote = css[i++];
        while (i < css.size() && css[i] != quote) {
            if (css[i] == u'\\' && i + 1 < css.size()) {
                ++i;
            }
            target += css[i++];
        }
        ++i;
    }
    while (i < css.size() && css[i] != u')') {
        target += css[i++];
    }
    return {std::min(i + 1, css.size()), target.trimmed()};
}

/// CSS (a style attribute, a <style> element, a presentation attribute)
/// without anything that would fetch a resource: every url() but one of a
/// fragment of this document ("url(#gradient)") becomes "none", and every
/// @import rule is dropped.
QString withoutExternalCss(QStringView text) {
    const QString css = withEscapesDecoded(text);
    QString out;
    out.reserve(css.size());
    for (qsizetype i = 0; i < css.size();) {
        if (startsWithWord(css, i, u"url(")) {
            const auto [end, target] = readUrl(css, i + 4);
            out += target.startsWith(u'#') ? css.mid(i, end - i) : QStringLiteral("none");
            i = end;
        } else if (startsWithWord(css, i, u"@import")) {
            const qsizetype semicolon = css.indexOf(u';', i);
            i = semicolon < 0 ? css.size() : semicolon + 1;
        } else {
            out += css[i++];
        }
    }
    return out;
}

/// Whether an attribute's value, escapes decoded, could fetch something.
bool mentionsCss(QStringView value) {
    const QString decoded = withEscapesDecoded(value);
    return decoded.contains(u"url(", Qt::CaseInsensitive) ||
           decoded.contains(u"@import", Qt::CaseInsensitive);
}

/// Copies the element the reader is at, without references out of the
/// document in its attributes.
void copyStartElement(const QXmlStreamReader& reader, QXmlStreamWriter& writer) {
    // Names and declarations are copied as written, so that the writer
    // invents no prefixes of its own.
    writer.writeStartElement(reader.qualifiedName().toString());
    for (const QXmlStreamNamespaceDeclaration& declaration : reader.namespaceDeclarations()) {
        const QString prefix = declaration.prefix().toString();
        writer.writeAttribute(
            prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix,
            declaration.namespaceUri().toString());
    }
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        const QStringView value = attribute.value();
        if (attribute.name() == u"href" && !isSafeReference(value)) {
            continue;
        }
        // Presentation attributes (fill="url(...)") are CSS values too.
        writer.writeAttribute(attribute.qualifiedName().toString(),
                              attribute.name() == u"style" || mentionsCss(value)
                                  ? withoutExternalCss(value)
                                  : value.toString());
    }
}

}  // namespace

std::optional<QByteArray> withoutExternalReferences(const QByteArray& svg) {
    QXmlStreamReader reader(svg);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    // A <style> element's text is gathered whole (it may come in pieces,
    // CDATA and plain, or inside elements nested in it, which are dropped),
    // so that no url( is split where it would escape the check.
    int styleDepth = 0;
    QString styleText;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartDocument:
                writer.writeStartDocument();
                break;
            case QXmlStreamReader::EndDocument:
                writer.writeEndDocument();
                break;
            case QXmlStreamReader::StartElement:
                if (styleDepth > 0) {
                    ++styleDepth;
                    break;
                }
                copyStartElement(reader, writer);
                if (reader.name() == u"style") {
                    styleDepth = 1;
                    styleText.clear();
                }
                break;
            case QXmlStreamReader::EndElement:
                if (styleDepth > 0 && --styleDepth > 0) {
                    break;
                }
                if (!styleText.isEmpty()) {
                    writer.writeCharacters(withoutExternalCss(styleText));
                    styleText.clear();
                }
                writer.writeEndElement();
                break;
            case QXmlStreamReader::Characters:
                if (styleDepth > 0) {
                    styleText += reader.text();
                } else if (reader.isCDATA()) {
                    writer.writeCDATA(reader.text().toString());
                } else {
                    writer.writeCharacters(reader.text().toString());
                }
                break;
            case QXmlStreamReader::EntityReference:
                // An entity the reader could not expand (an undeclared or an
                // external one): left out.
                break;
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
            case QXmlStreamReader::NoToken:
            case QXmlStreamReader::Invalid:
                break;
        }
    }
    if (reader.hasError()) {
        return std::nullopt;
    }
    return out;
}

}  // namespace halvora::platform::qt
