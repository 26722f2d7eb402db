#include "vexrun/kernel/qt/text_codec.h"

#include <errno.h>
#include <iconv.h>

#include <vector>

#include "vexrun/kernel/text/text_encoding.h"

namespace vexrun {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + byte (0x80..0xFF)

bool isEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// One conversion direction of iconv, closed on scope exit.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of [in, in + n) as it can; returns the number of input
    // bytes consumed (it stops before an invalid or incomplete sequence).
    size_t convert(const char* in, size_t n, std::string& out) {
        char* src = const_cast<char*>(in);
        size_t left = n;
        while (left > 0) {
            char* dst = buf_.data();
            size_t room = buf_.size();
            size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf_.data(), size_t(dst - buf_.data()));
            if (r == size_t(-1) && errno != E2BIG) break;
        }
        char* dst = buf_.data();
        size_t room = buf_.size();
        iconv(cd_, nullptr, nullptr, &dst, &room);  // reset the shift state
        return n - left;
    }

private:
    iconv_t cd_;
    std::vector<char> buf_ = std::vector<char>(65536);
};

}  // namespace

bool isValidUtf8(std::string_view bytes) { return text::isValidUtf8(bytes); }

TextEncoding detectEncoding(std::string_view bytes) {
    bool ascii = true;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) return TextEncoding::Gbk;
    return isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Gbk;
}

QString decodeText(std::string_view bytes, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8 && isValidUtf8(bytes)) {
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    }
    QString result;
    result.reserve(qsizetype(bytes.size()));
    Converter conv("UTF-8", "GB18030");
    size_t pos = 0;
    std::string utf8;
    while (pos < bytes.size()) {
        size_t used = 0;
        if (conv.ok()) {
            utf8.clear();
            used = conv.convert(bytes.data() + pos, bytes.size() - pos, utf8);
            result += QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
            pos += used;
        }
        if (pos < bytes.size()) {
            // A byte that starts nothing decodable: keep it as its escape.
            unsigned char b = static_cast<unsigned char>(bytes[pos]);
            result += b < 0x80 ? QChar(b) : QChar(char16_t(kEscapeBase + b));
            ++pos;
        }
    }
    return result;
}

std::string encodeText(const QString& text, TextEncoding encoding) {
    std::string out;
    out.reserve(size_t(text.size()));
    const char16_t* s = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    Converter conv("GB18030", "UTF-8");
    qsizetype runStart = 0;
    auto flush = [&](qsizetype end) {
        if (end <= runStart) return;
        QByteArray utf8 = QString(reinterpret_cast<const QChar*>(s + runStart), end - runStart).toUtf8();
        if (encoding == TextEncoding::Utf8 || !conv.ok()) {
            out.append(utf8.constData(), size_t(utf8.size()));
        } else {
            conv.convert(utf8.constData(), size_t(utf8.size()), out);
        }
    };
    for (qsizetype i = 0; i < n; ++i) {
        bool pairedLow = i > 0 && s[i - 1] >= 0xD800 && s[i - 1] <= 0xDBFF;
        if (isEscape(s[i]) && !pairedLow) {
            flush(i);
            out.push_back(static_cast<char>(s[i] - kEscapeBase));
            runStart = i + 1;
        }
    }
    flush(n);
    return out;
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
