#include "platform/qt/SafeSvg.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

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

}  // namespace

std::optional<QByteArray> withoutExternalReferences(const QByteArray& svg) {
    QXmlStreamReader reader(svg);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartDocument:
                writer.writeStartDocument();
                break;
            case QXmlStreamReader::EndDocument:
                writer.writeEndDocument();
                break;
            case QXmlStreamReader::StartElement: {
                // Names and declarations are copied as written, so that the
                // writer invents no prefixes of its own.
                writer.writeStartElement(reader.qualifiedName().toString());
                for (const QXmlStreamNamespaceDeclaration& declaration :
                     reader.namespaceDeclarations()) {
                    const QString prefix = declaration.prefix().toString();
                    writer.writeAttribute(prefix.isEmpty() ? QStringLiteral("xmlns")
                                                           : QStringLiteral("xmlns:") + prefix,
                                          declaration.namespaceUri().toString());
                }
                for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                    if (attribute.name() == u"href" && !isSafeReference(attribute.value())) {
                        continue;
                    }
                    writer.writeAttribute(attribute.qualifiedName().toString(),
                                          attribute.value().toString());
                }
                break;
            }
            case QXmlStreamReader::EndElement:
                writer.writeEndElement();
                break;
            case QXmlStreamReader::Characters:
                if (reader.isCDATA()) {
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
