#pragma once
// Delphi-style Format: %s, %d, %u, %x, %f, %g, %e, %n, %m, %p and %%, with optional
// index ("%1:s"), '-' left alignment, width and precision ("%-10.3s", "%*d").
#include <cstdint>
#include <initializer_list>
#include <string>

namespace qlry {

class FormatArg {
public:
    enum class Kind { Integer, Float, String, Pointer };

    FormatArg(int v) : kind_(Kind::Integer), int_(v) {}
    FormatArg(unsigned v) : kind_(Kind::Integer), int_(v) {}
    FormatArg(long v) : kind_(Kind::Integer), int_(v) {}
    FormatArg(unsigned long v) : kind_(Kind::Integer), int_(static_cast<int64_t>(v)) {}
    FormatArg(long long v) : kind_(Kind::Integer), int_(v) {}
    FormatArg(unsigned long long v) : kind_(Kind::Integer), int_(static_cast<int64_t>(v)) {}
    FormatArg(double v) : kind_(Kind::Float), float_(v) {}
    FormatArg(const char* v) : kind_(Kind::String), string_(v ? v : "") {}
    FormatArg(const std::string& v) : kind_(Kind::String), string_(v) {}
    FormatArg(const void* v) : kind_(Kind::Pointer), int_(reinterpret_cast<intptr_t>(v)) {}

    Kind kind() const { return kind_; }
    int64_t integer() const { return int_; }
    double floating() const { return float_; }
    const std::string& string() const { return string_; }

private:
    Kind kind_;
    int64_t int_ = 0;
    double float_ = 0;
    std::string string_;
};

// Raises EConvertError "Format '<fmt>' invalid or incompatible with argument" on a
// directive that does not match its argument or has none.
std::string Format(const std::string& format, std::initializer_list<FormatArg> args);

} // namespace qlry
