#include <gtest/gtest.h>

#include <vector>

#include "platform/Exceptions.h"
#include "platform/Format.h"

namespace qlry {
namespace {

struct FormatRow {
    std::string format;
    std::string actual;
    std::string expected;
};

// Formats at once and keeps a failure as "Class: message" so that error rows sit in the
// same table as the others.
FormatRow Row(const std::string& format, std::initializer_list<FormatArg> args, const std::string& expected) {
    try {
        return {format, Format(format, args), expected};
    } catch (const Exception& e) {
        return {format, e.ClassName() + ": " + e.Message(), expected};
    }
}

std::string Mismatch(const std::string& format) {
    return "EConvertError: Format '" + format + "' invalid or incompatible with argument";
}

TEST(Format, DirectivesGiveTheClassLibrarysText) {
    const void* pointer = reinterpret_cast<const void*>(0x1234);
    std::vector<FormatRow> rows = {
        Row("%d items", {42}, "42 items"),
        Row("[%5d]", {42}, "[   42]"),
        Row("[%-5d]", {42}, "[42   ]"),
        Row("%.4d", {-12}, "-0012"),
        Row("%d", {-9000000000LL}, "-9000000000"),
        Row("%u", {-1}, "4294967295"),
        Row("%x", {255}, "FF"),
        Row("%.4x", {255}, "00FF"),
        Row("%x", {-1}, "FFFFFFFF"),
        Row("<%s>", {"abc"}, "<abc>"),
        Row("%.2s", {"abc"}, "ab"),
        Row("[%5s]", {std::string("abc")}, "[  abc]"),
        Row("[%-5s]", {"abc"}, "[abc  ]"),
        Row("[%*d]", {4, 7}, "[   7]"),
        Row("[%-*.*s]", {6, 2, "abcd"}, "[ab    ]"),
        Row("%1:s %0:s", {"a", "b"}, "b a"),
        Row("%1:s %s", {"a", "b", "c"}, "b c"),
        Row("100%%", {}, "100%"),
        Row("%f", {1234.5}, "1234.50"),
        Row("%.3f", {3.14159}, "3.142"),
        Row("%.2f", {-0.001}, "0.00"),
        Row("%n", {1234567.891}, "1,234,567.89"),
        Row("%n", {-1234.5}, "-1,234.50"),
        Row("%.0n", {999.0}, "999"),
        Row("%e", {1234.5}, "1.23450000000000E+003"),
        Row("%.3e", {0.000123}, "1.23E-004"),
        Row("%g", {0.5}, "0.5"),
        Row("%g", {123456.0}, "123456"),
        Row("%g", {0.0001}, "0.0001"),
        Row("%g", {0.00001}, "1E-5"),
        Row("%g", {1e20}, "1E20"),
        Row("%m", {1234.5}, "$1,234.50"),
        Row("%p", {pointer}, "00001234"),
        Row("%d", {"x"}, Mismatch("%d")),
        Row("%s", {1}, Mismatch("%s")),
        Row("%f", {1}, Mismatch("%f")),
        Row("%d and %d", {1}, Mismatch("%d and %d")),
        Row("%y", {1}, Mismatch("%y")),
        Row("abc%", {}, Mismatch("abc%")),
        Row("%*d", {"wide", 1}, Mismatch("%*d")),
    };
    for (const FormatRow& row : rows) EXPECT_EQ(row.actual, row.expected) << "format: " << row.format;
}

} // namespace
} // namespace qlry
