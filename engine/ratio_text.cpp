// Reading a ratio text.
#include "engine/ratio_text.h"

#include "runtime/kernel_calls.h"
#include "runtime/text_support.h"

namespace engine {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Steps over the digits at text[i]; their count.
int32_t skipDigits(const char* text, int32_t& i) {
    const int32_t from = i;
    while (isDigit(text[i])) ++i;
    return i - from;
}

// Checks the form; the position of a "," used as the point (0-based), or -1.
// False when the text is not a plain decimal number.
bool decimalForm(const char* text, int32_t* comma) {
    int32_t i = 0;
    *comma = -1;
    while (isBlank(text[i])) ++i;
    if (text[i] == '+' || text[i] == '-') ++i;
    int32_t digits = skipDigits(text, i);
    if (text[i] == '.' || text[i] == ',') {
        if (text[i] == ',') *comma = i;
        ++i;
        digits += skipDigits(text, i);
    }
    if (digits == 0) return false;
    if (text[i] == 'e' || text[i] == 'E') {
        ++i;
        if (text[i] == '+' || text[i] == '-') ++i;
        if (skipDigits(text, i) == 0) return false;
    }
    while (isBlank(text[i])) ++i;
    return text[i] == '\0';
}

}  // namespace

bool readRatioText(const char* text, double* ratio) {
    int32_t comma = -1;
    if (!text || !decimalForm(text, &comma)) return false;
    double value = 0;
    if (comma < 0) {
        value = prog::textToDouble(text);
    } else {
        prog::Text pointed = prog::replacePart(text, comma + 1, 1, ".");
        value = prog::textToDouble(pointed);
        vxFree(pointed);
    }
    if (!ratioInRange(value)) return false;
    *ratio = value;
    return true;
}

}  // namespace engine
