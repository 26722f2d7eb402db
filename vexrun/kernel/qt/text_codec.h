// Texts between a control's bytes and the QString it shows: the shared
// decoding and encoding of vexrun/kernel/text (UTF-8 when valid, else GBK by
// our own table; undecodable bytes kept as escapes; an edit encoded back in
// the encoding the text came in), so that both window layers show a text
// alike.
#pragma once

#include <string>
#include <string_view>

#include <QString>

#include "vexrun/kernel/text/text_encoding.h"

namespace vexrun {

using TextEncoding = text::Encoding;
using text::detectEncoding;
using text::isValidUtf8;

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
