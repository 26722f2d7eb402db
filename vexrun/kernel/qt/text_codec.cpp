#include "vexrun/kernel/qt/text_codec.h"

namespace vexrun {

QString decodeText(std::string_view bytes, TextEncoding encoding) {
    // Copied unit for unit: the escapes are lone surrogates, which a UTF-16
    // conversion would replace.
    const std::u16string shown = text::decode(bytes, encoding);
    return QString(reinterpret_cast<const QChar*>(shown.data()), qsizetype(shown.size()));
}

std::string encodeText(const QString& text, TextEncoding encoding) {
    return text::encode(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())),
                        encoding);
}

QString toDisplayLines(QString text) {
    if (!text.contains(QChar('\r'))) return text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    return text;
}

QString toDocumentText(const QString& text) {
    QString out(text.size(), Qt::Uninitialized);
    const QChar* in = text.constData();
    const QChar* end = in + text.size();
    QChar* o = out.data();
    int lines = 0;
    for (; in < end; ++in) {
        const char16_t c = in->unicode();
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && in + 1 < end && in[1].unicode() == u'\n') ++in;
            *o++ = (++lines % kLinesPerParagraph == 0) ? QChar(u'\n') : QChar(QChar::LineSeparator);
        } else {
            *o++ = *in;
        }
    }
    out.truncate(o - out.constData());
    return out;
}

QString toCrLfLines(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (QChar c : text) {
        if (c == QChar('\n') || c == QChar::ParagraphSeparator || c == QChar::LineSeparator) {
            out += QStringLiteral("\r\n");
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace vexrun
