#include "platform/Format.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Exceptions.h"

namespace qlry {

namespace {

struct Directive {
    bool leftAlign = false;
    int width = -1;
    int precision = -1;
    char type = 0;  // upper case
};

class Formatter {
public:
    Formatter(const std::string& format, std::initializer_list<FormatArg> args)
        : format_(format), args_(args.begin()), argCount_(static_cast<int>(args.size())) {}

    std::string Run() {
        std::string out;
        while (pos_ < format_.size()) {
            char c = format_[pos_++];
            if (c != '%') {
                out += c;
                continue;
            }
            if (Peek() == '%') {
                ++pos_;
                out += '%';
                continue;
            }
            Directive d = ParseDirective();
            out += Pad(Convert(d), d);
        }
        return out;
    }

private:
    [[noreturn]] void Fail() const {
        throw EConvertError("Format '" + format_ + "' invalid or incompatible with argument");
    }

    char Peek() const { return pos_ < format_.size() ? format_[pos_] : '\0'; }

    const FormatArg& NextArg() {
        if (next_ >= argCount_) Fail();
        return args_[next_++];
    }

    const FormatArg& IntegerValue() {
        const FormatArg& arg = NextArg();
        if (arg.kind() != FormatArg::Kind::Integer) Fail();
        return arg;
    }

    static constexpr int kAbsent = INT32_MIN;

    // Digits or '*' (taken from the arguments); kAbsent when neither is there.
    int ReadNumber() {
        if (Peek() == '*') {
            ++pos_;
            return static_cast<int>(IntegerValue().integer());
        }
        if (!std::isdigit(static_cast<unsigned char>(Peek()))) return kAbsent;
        int value = 0;
        while (std::isdigit(static_cast<unsigned char>(Peek()))) {
            value = value * 10 + (format_[pos_++] - '0');
            if (value > 100000) Fail();
        }
        return value;
    }

    Directive ParseDirective() {
        Directive d;
        ReadIndex();
        if (Peek() == '-') {
            ++pos_;
            d.leftAlign = true;
        }
        int width = ReadNumber();
        if (width != kAbsent) {
            // A negative width from the arguments aligns left.
            if (width < 0) d.leftAlign = true;
            d.width = std::abs(width);
            if (d.width > 100000) Fail();
        }
        if (Peek() == '.') {
            ++pos_;
            int precision = ReadNumber();
            d.precision = precision == kAbsent ? 0 : precision < 0 ? -1 : precision;
            if (d.precision > 100000) Fail();
        }
        if (pos_ >= format_.size()) Fail();
        d.type = static_cast<char>(std::toupper(static_cast<unsigned char>(format_[pos_++])));
        return d;
    }

    // "%1:s" or "%*:s": the directive and those after it take their values from there on.
    void ReadIndex() {
        size_t end = pos_;
        if (Peek() == '*') ++end;
        else
            while (end < format_.size() && std::isdigit(static_cast<unsigned char>(format_[end]))) ++end;
        if (end == pos_ || end >= format_.size() || format_[end] != ':') return;
        int index = ReadNumber();
        ++pos_;
        if (index < 0 || index == kAbsent) Fail();
        next_ = index;
    }

    std::string Convert(const Directive& d) {
        switch (d.type) {
        case 'D': return Decimal(d);
        case 'U': return Unsigned(d);
        case 'X': return Hex(d);
        case 'S': return String(d);
        case 'P': return PointerText();
        case 'F': case 'E': case 'G': case 'N': case 'M': return Float(d);
        default: Fail();
        }
    }

    static std::string ZeroPad(std::string digits, int precision) {
        if (precision > static_cast<int>(digits.size())) digits.insert(0, precision - digits.size(), '0');
        return digits;
    }

    std::string Decimal(const Directive& d) {
        int64_t value = IntegerValue().integer();
        uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        std::string digits = ZeroPad(std::to_string(magnitude), d.precision);
        return value < 0 ? "-" + digits : digits;
    }

    // Negative values that fit in 32 bits are shown as the 32-bit pattern, as the class
    // library's Integer would be.
    static uint64_t AsUnsigned(int64_t value) {
        if (value < 0 && value >= INT32_MIN) return static_cast<uint32_t>(value);
        return static_cast<uint64_t>(value);
    }

    std::string Unsigned(const Directive& d) {
        return ZeroPad(std::to_string(AsUnsigned(IntegerValue().integer())), d.precision);
    }

    static std::string HexDigits(uint64_t value) {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(value));
        return buffer;
    }

    std::string Hex(const Directive& d) { return ZeroPad(HexDigits(AsUnsigned(IntegerValue().integer())), d.precision); }

    std::string String(const Directive& d) {
        const FormatArg& arg = NextArg();
        if (arg.kind() != FormatArg::Kind::String) Fail();
        if (d.precision >= 0 && d.precision < static_cast<int>(arg.string().size()))
            return arg.string().substr(0, d.precision);
        return arg.string();
    }

    std::string PointerText() {
        const FormatArg& arg = NextArg();
        if (arg.kind() != FormatArg::Kind::Pointer) Fail();
        return ZeroPad(HexDigits(static_cast<uintptr_t>(arg.integer())), 8);
    }

    std::string Float(const Directive& d) {
        const FormatArg& arg = NextArg();
        if (arg.kind() != FormatArg::Kind::Float) Fail();
        double value = arg.floating();
        if (std::isnan(value)) return "NAN";
        if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
        switch (d.type) {
        case 'F': return Fixed(value, d.precision < 0 ? 2 : d.precision, false);
        case 'N': return Fixed(value, d.precision < 0 ? 2 : d.precision, true);
        case 'M': return Money(value, d.precision < 0 ? 2 : d.precision);
        case 'E': return Scientific(value, d.precision < 0 ? 15 : d.precision);
        default: return General(value, d.precision < 0 ? 15 : d.precision);
        }
    }

    static std::string Fixed(double value, int decimals, bool thousands) {
        if (decimals > 18) decimals = 18;
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
        std::string text = buffer;
        if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);  // no "-0.00"
        if (!thousands) return text;
        size_t digitsStart = text[0] == '-' ? 1 : 0;
        size_t digitsEnd = text.find('.');
        if (digitsEnd == std::string::npos) digitsEnd = text.size();
        for (int at = static_cast<int>(digitsEnd) - 3; at > static_cast<int>(digitsStart); at -= 3) text.insert(at, 1, ',');
        return text;
    }

    static std::string Money(double value, int decimals) {
        std::string number = Fixed(std::fabs(value), decimals, true);
        return (value < 0 && number.find_first_not_of("0.,") != std::string::npos ? "-$" : "$") + number;
    }

    // Significant digits and decimal exponent of value: value = d.ddd x 10^exponent.
    static std::string Mantissa(double value, int digits, int& exponent) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*e", digits - 1, std::fabs(value));
        std::string text = buffer;
        size_t e = text.find('e');
        exponent = std::atoi(text.c_str() + e + 1);
        std::string mantissa = text.substr(0, e);
        if (mantissa.size() > 1 && mantissa[1] == '.') mantissa.erase(1, 1);
        return mantissa;
    }

    static std::string Scientific(double value, int precision) {
        if (precision < 1) precision = 1;
        if (precision > 18) precision = 18;
        int exponent = 0;
        std::string digits = Mantissa(value, precision, exponent);
        std::string text = value < 0 ? "-" : "";
        text += digits.substr(0, 1);
        if (digits.size() > 1) text.append(1, '.').append(digits, 1);
        char tail[16];
        std::snprintf(tail, sizeof tail, "E%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
        return text + tail;
    }

    // Shortest of fixed and scientific with at most Precision significant digits.
    static std::string General(double value, int precision) {
        if (precision < 1) precision = 1;
        if (precision > 18) precision = 18;
        if (value == 0) return "0";
        int exponent = 0;
        std::string digits = Mantissa(value, precision, exponent);
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
        std::string sign = value < 0 ? "-" : "";
        if (exponent < -4 || exponent >= precision) {
            std::string text = sign + digits.substr(0, 1);
            if (digits.size() > 1) text.append(1, '.').append(digits, 1);
            return text + "E" + std::to_string(exponent);
        }
        if (exponent < 0) return sign + "0." + std::string(-exponent - 1, '0') + digits;
        if (static_cast<int>(digits.size()) <= exponent + 1)
            return sign + digits + std::string(exponent + 1 - digits.size(), '0');
        return sign + digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
    }

    static std::string Pad(std::string text, const Directive& d) {
        if (d.width > static_cast<int>(text.size())) {
            size_t fill = d.width - text.size();
            if (d.leftAlign) text.append(fill, ' ');
            else text.insert(0, fill, ' ');
        }
        return text;
    }

    const std::string& format_;
    const FormatArg* args_;
    int argCount_;
    int next_ = 0;
    size_t pos_ = 0;
};

} // namespace

std::string Format(const std::string& format, std::initializer_list<FormatArg> args) {
    return Formatter(format, args).Run();
}

} // namespace qlry
