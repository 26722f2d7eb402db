// Texts are bytes. To show one, a control decodes it as UTF-8 when it is valid
// UTF-8 and as GBK (GB18030) otherwise; a byte that decodes to nothing is kept
// as an escape character (U+DC80 + byte - 0x80, a lone low surrogate) so that
// encoding the shown text back gives the same bytes. A user's edit is encoded
// back in the encoding the control's text came in.
#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace vexrun {

enum class TextEncoding : uint8_t {
    Gbk,   // the program's own code page; also pure ASCII
    Utf8,  // valid UTF-8 holding at least one byte above 0x7F
};

bool isValidUtf8(std::string_view bytes);

// The encoding a control takes its text to be in.
TextEncoding detectEncoding(std::string_view bytes);

QString decodeText(std::string_view bytes, TextEncoding encoding);
inline QString decodeText(std::string_view bytes) { return decodeText(bytes, detectEncoding(bytes)); }

std::string encodeText(const QString& text, TextEncoding encoding);

// The image's own texts (the window record's names, captions and initial
// texts) are GBK: a short one may happen to be valid UTF-8 as well ("源" is
// D4 B4), so these are never guessed.
inline QString decodeImageText(std::string_view bytes) { return decodeText(bytes, TextEncoding::Gbk); }

// Captions show line breaks as "\n" (CR LF and a lone CR each make one).
QString toDisplayLines(QString text);

// A multi-line box's document: every line break (CR LF, CR or LF) becomes a
// line separator (U+2028) within a paragraph of kLinesPerParagraph lines, so
// that a text of 400,000 lines is a document of 12,500 paragraphs and is set
// in one step without a cost per line.
constexpr int kLinesPerParagraph = 32;
QString toDocumentText(const QString& text);
// The text of a box's document (paragraph and line separators, or "\n") with
// CR LF line ends: what a multi-line box gives back after a user's edit.
QString toCrLfLines(const QString& text);

}  // namespace vexrun
