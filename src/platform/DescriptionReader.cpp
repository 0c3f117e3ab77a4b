#include "platform/DescriptionReader.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <vector>

#include "platform/Component.h"
#include "platform/Exceptions.h"
#include "platform/Properties.h"
#include "platform/Strings.h"

namespace qlry {

namespace {

enum class TokenKind { End, Identifier, Integer, Float, String, Symbol };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;  // identifier, number text, string value or the symbol
    int line = 0;
};

[[noreturn]] void Fail(const std::string& message, int line) {
    throw EParserError("%s on line %d", {message, line});
}

class Lexer {
public:
    explicit Lexer(const std::string& text) : text_(text) {}

    Token Next() {
        SkipBlanks();
        Token token;
        token.line = line_;
        if (pos_ >= text_.size()) return token;
        char c = text_[pos_];
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') return Identifier(token);
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '$' ||
            ((c == '-' || c == '+') && pos_ + 1 < text_.size() &&
             (std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])) || text_[pos_ + 1] == '$')))
            return Number(token);
        if (c == '\'' || c == '#') return String(token);
        token.kind = TokenKind::Symbol;
        token.text = std::string(1, c);
        ++pos_;
        return token;
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ') {
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
    }

    Token Identifier(Token token) {
        std::size_t start = pos_;
        while (pos_ < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_' || text_[pos_] == '.'))
            ++pos_;
        token.kind = TokenKind::Identifier;
        token.text = text_.substr(start, pos_ - start);
        return token;
    }

    Token Number(Token token) {
        std::size_t start = pos_;
        if (text_[pos_] == '-' || text_[pos_] == '+') ++pos_;
        bool hex = pos_ < text_.size() && text_[pos_] == '$';
        if (hex) ++pos_;
        bool isFloat = false;
        while (pos_ < text_.size()) {
            char c = text_[pos_];
            if (std::isdigit(static_cast<unsigned char>(c)) || (hex && std::isxdigit(static_cast<unsigned char>(c)))) {
                ++pos_;
            } else if (!hex && (c == '.' || c == 'e' || c == 'E')) {
                isFloat = true;
                ++pos_;
                if ((c == 'e' || c == 'E') && pos_ < text_.size() && (text_[pos_] == '-' || text_[pos_] == '+')) ++pos_;
            } else {
                break;
            }
        }
        token.kind = isFloat ? TokenKind::Float : TokenKind::Integer;
        token.text = text_.substr(start, pos_ - start);
        return token;
    }

    // 'quoted' pieces ('' is one quote) and #nn characters, in any sequence.
    Token String(Token token) {
        token.kind = TokenKind::String;
        while (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
            if (text_[pos_] == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= text_.size() || text_[pos_] == '\n') Fail("Unterminated string", line_);
                    if (text_[pos_] == '\'') {
                        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                            token.text += '\'';
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    token.text += text_[pos_++];
                }
            } else {
                ++pos_;
                std::size_t start = pos_;
                while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
                if (start == pos_) Fail("Character code expected", line_);
                long code = std::strtol(text_.substr(start, pos_ - start).c_str(), nullptr, 10);
                if (code > 255) Fail("Character code out of range", line_);
                token.text += static_cast<char>(code);
            }
        }
        return token;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// A value as it stands in the text, before it meets its property.
struct Value {
    TokenKind kind = TokenKind::End;   // Identifier, Integer, Float, String; Symbol for lists and sets
    char bracket = 0;                  // '[' for a set, '(' for a list
    std::string text;
    std::vector<Token> items;
    int line = 0;
};

struct Fixup {
    TObject* target;
    const TPropInfo* property;
    std::string name;
    int line;
};

class Reader {
public:
    Reader(TComponent* root, const std::string& text) : root_(root), lexer_(text) {}

    void Run() {
        Advance();
        root_->Loading();
        loaded_.push_back(root_);
        ExpectWord("object");
        ReadHeader(root_);
        ReadBody(root_);
        if (current_.kind != TokenKind::End) Fail("End of description expected", current_.line);
        ResolveFixups();
        for (TComponent* component : loaded_) component->Loaded();
    }

private:
    void Advance() { current_ = lexer_.Next(); }

    bool IsWord(const char* word) const {
        return current_.kind == TokenKind::Identifier && SameText(current_.text, word);
    }

    static bool SameText(const std::string& a, const std::string& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
                return false;
        return true;
    }

    void ExpectWord(const char* word) {
        if (!IsWord(word)) Fail(std::string("'") + word + "' expected", current_.line);
        Advance();
    }

    void ExpectSymbol(char symbol) {
        if (current_.kind != TokenKind::Symbol || current_.text[0] != symbol)
            Fail(std::string("'") + symbol + "' expected", current_.line);
        Advance();
    }

    std::string ExpectIdentifier() {
        if (current_.kind != TokenKind::Identifier) Fail("Identifier expected", current_.line);
        std::string text = current_.text;
        Advance();
        return text;
    }

    // "Name: TClass" after "object"; the root's class must be the root's own.
    void ReadHeader(TComponent* root) {
        int line = current_.line;
        std::string name = ExpectIdentifier();
        ExpectSymbol(':');
        std::string className = ExpectIdentifier();
        const TClassInfo* info = root->ClassInfo();
        if (!info || !SameText(info->Name(), className)) Fail("Class " + className + " is not the root's class", line);
        // A second form of one class with the same owner (two pages of a wizard) takes
        // the next free name, Name_1, Name_2, ...
        if (TComponent* owner = root->Owner()) {
            std::string unique = name;
            for (int n = 1; owner->FindComponent(unique) && owner->FindComponent(unique) != root; ++n)
                unique = name + "_" + std::to_string(n);
            name = unique;
        }
        root->SetName(name);
    }

    void ReadBody(TComponent* owner) {
        while (!IsWord("end")) {
            if (current_.kind == TokenKind::End) Fail("'end' expected", current_.line);
            if (IsWord("object")) {
                Advance();
                ReadChild(owner);
            } else {
                ReadProperty(owner);
            }
        }
        Advance();
    }

    void ReadChild(TComponent* parent) {
        int line = current_.line;
        std::string name = ExpectIdentifier();
        ExpectSymbol(':');
        std::string className = ExpectIdentifier();
        const TClassInfo* info = FindClass(className);
        if (!info || !info->CanCreate()) Fail("Class " + className + " not found", line);
        TComponent* child;
        {
            TLoadingConstruction loading;
            child = info->Create(root_);
        }
        child->Loading();
        loaded_.push_back(child);
        child->SetName(name);
        child->SetParentComponent(parent);
        ReadBody(child);
    }

    void ReadProperty(TComponent* component) {
        int line = current_.line;
        std::string path = ExpectIdentifier();
        ExpectSymbol('=');
        Value value = ReadValue();
        TObject* target = component;
        const TPropInfo* property = FindPropertyPath(target, path, line);
        Assign(target, property, value);
    }

    const TPropInfo* FindPropertyPath(TObject*& target, const std::string& path, int line) {
        std::size_t start = 0;
        for (;;) {
            std::size_t dot = path.find('.', start);
            std::string name = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
            const TClassInfo* info = target->ClassInfo();
            const TPropInfo* property = info ? info->FindProperty(name) : nullptr;
            if (!property) Fail("Property " + path + " does not exist", line);
            if (dot == std::string::npos) return property;
            if (property->kind != TPropKind::Object && property->kind != TPropKind::Strings)
                Fail("Property " + name + " has no properties of its own", line);
            target = property->getObject(*target);
            if (!target) Fail("Property " + name + " is not assigned", line);
            start = dot + 1;
        }
    }

    Value ReadValue() {
        Value value;
        value.line = current_.line;
        value.kind = current_.kind;
        if (current_.kind == TokenKind::Symbol && (current_.text == "[" || current_.text == "(")) {
            value.bracket = current_.text[0];
            char close = value.bracket == '[' ? ']' : ')';
            Advance();
            while (!(current_.kind == TokenKind::Symbol && current_.text[0] == close)) {
                if (current_.kind == TokenKind::End) Fail(std::string("'") + close + "' expected", current_.line);
                if (value.bracket == '[' && !value.items.empty()) ExpectSymbol(',');
                value.items.push_back(ReadItem());
            }
            Advance();
            return value;
        }
        if (current_.kind == TokenKind::Symbol || current_.kind == TokenKind::End) Fail("Invalid property value", current_.line);
        Token item = ReadItem();
        value.text = item.text;
        return value;
    }

    // One value token; strings may continue with "+" on the next line.
    Token ReadItem() {
        Token token = current_;
        if (token.kind == TokenKind::Symbol || token.kind == TokenKind::End) Fail("Invalid property value", token.line);
        Advance();
        if (token.kind == TokenKind::String) {
            while (current_.kind == TokenKind::Symbol && current_.text == "+") {
                Advance();
                if (current_.kind != TokenKind::String) Fail("String expected", current_.line);
                token.text += current_.text;
                Advance();
            }
        }
        return token;
    }

    [[noreturn]] static void BadValue(const TPropInfo* property, int line) {
        Fail("Invalid value for property " + property->name, line);
    }

    static int64_t ParseInteger(const Value& value, const TPropInfo* property) {
        if (value.kind != TokenKind::Integer) BadValue(property, value.line);
        std::string text = value.text;
        bool negative = !text.empty() && text[0] == '-';
        if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.erase(0, 1);
        errno = 0;
        char* end = nullptr;
        long long number = text[0] == '$' ? std::strtoll(text.c_str() + 1, &end, 16) : std::strtoll(text.c_str(), &end, 10);
        if (errno != 0 || *end != '\0') BadValue(property, value.line);
        return negative ? -number : number;
    }

    int64_t ParseEnum(const std::string& name, const TPropInfo* property, int line) {
        int ordinal = property->enumInfo->Ordinal(name);
        if (ordinal < 0) BadValue(property, line);
        return ordinal;
    }

    void Assign(TObject* target, const TPropInfo* property, const Value& value) {
        switch (property->kind) {
        case TPropKind::Integer:
            property->setOrdinal(*target, ParseInteger(value, property));
            break;
        case TPropKind::Boolean:
            if (value.kind == TokenKind::Identifier && SameText(value.text, "True")) property->setOrdinal(*target, 1);
            else if (value.kind == TokenKind::Identifier && SameText(value.text, "False")) property->setOrdinal(*target, 0);
            else BadValue(property, value.line);
            break;
        case TPropKind::Enumeration:
            if (value.kind != TokenKind::Identifier) BadValue(property, value.line);
            property->setOrdinal(*target, ParseEnum(value.text, property, value.line));
            break;
        case TPropKind::Set: {
            if (value.bracket != '[') BadValue(property, value.line);
            int64_t bits = 0;
            for (const Token& item : value.items) {
                if (item.kind != TokenKind::Identifier) BadValue(property, item.line);
                bits |= int64_t{1} << ParseEnum(item.text, property, item.line);
            }
            property->setOrdinal(*target, bits);
            break;
        }
        case TPropKind::Float: {
            if (value.kind != TokenKind::Integer && value.kind != TokenKind::Float) BadValue(property, value.line);
            char* end = nullptr;
            double number = std::strtod(value.text.c_str(), &end);
            if (*end != '\0') BadValue(property, value.line);
            property->setFloat(*target, number);
            break;
        }
        case TPropKind::String:
            if (value.kind != TokenKind::String || value.bracket) BadValue(property, value.line);
            property->setString(*target, value.text);
            break;
        case TPropKind::Component:
        case TPropKind::Event:
            if (value.kind != TokenKind::Identifier || value.bracket) BadValue(property, value.line);
            if (property->kind == TPropKind::Component && SameText(value.text, "nil")) property->setComponent(*target, nullptr);
            else fixups_.push_back({target, property, value.text, value.line});
            break;
        case TPropKind::Strings: {
            if (value.bracket != '(') BadValue(property, value.line);
            auto* lines = dynamic_cast<TStrings*>(property->getObject(*target));
            if (!lines) BadValue(property, value.line);
            lines->BeginUpdate();
            lines->Clear();
            for (const Token& item : value.items) {
                if (item.kind != TokenKind::String) {
                    lines->EndUpdate();
                    BadValue(property, item.line);
                }
                lines->Add(item.text);
            }
            lines->EndUpdate();
            break;
        }
        case TPropKind::Object:
            BadValue(property, value.line);
        }
    }

    void ResolveFixups() {
        for (const Fixup& fixup : fixups_) {
            if (fixup.property->kind == TPropKind::Event) {
                const std::any* code = root_->MethodAddress(fixup.name);
                if (!code) Fail("Method " + fixup.name + " not found", fixup.line);
                fixup.property->setEvent(*fixup.target, TMethod{fixup.name, *code});
                continue;
            }
            TComponent* component = SameText(fixup.name, root_->Name()) ? root_ : root_->FindComponent(fixup.name);
            if (!component) Fail("Component " + fixup.name + " not found", fixup.line);
            const TClassInfo* info = component->ClassInfo();
            const TClassInfo* wanted = fixup.property->referenceClass ? &fixup.property->referenceClass() : nullptr;
            if (wanted && (!info || !info->InheritsFrom(wanted)))
                Fail("Component " + fixup.name + " is not a " + wanted->Name(), fixup.line);
            fixup.property->setComponent(*fixup.target, component);
        }
    }

    TComponent* root_;
    Lexer lexer_;
    Token current_;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
};

} // namespace

void ReadDescription(TComponent* root, const std::string& text) { Reader(root, text).Run(); }

void ReadDescriptionResource(TComponent* root, const std::string& resourceName) {
    HRSRC resource = FindResourceA(nullptr, resourceName.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!resource) throw EResNotFound("Resource %s not found", {resourceName});
    HGLOBAL loaded = LoadResource(nullptr, resource);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data) throw EResNotFound("Resource %s not found", {resourceName});
    ReadDescription(root, std::string(data, SizeofResource(nullptr, resource)));
}

} // namespace qlry
