#pragma once
// A small JSON writer for the driver's answers. Strings go in as UTF-8; commas and nesting
// are tracked so callers only say what comes next.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
public:
    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }

    JsonWriter& Key(std::string_view key) {
        Separate();
        Quote(key);
        out_ += ':';
        afterKey_ = true;
        return *this;
    }

    JsonWriter& String(std::string_view value) {
        Separate();
        Quote(value);
        return *this;
    }
    JsonWriter& Int(long long value) {
        Separate();
        out_ += std::to_string(value);
        return *this;
    }
    JsonWriter& Bool(bool value) {
        Separate();
        out_ += value ? "true" : "false";
        return *this;
    }
    JsonWriter& Null() {
        Separate();
        out_ += "null";
        return *this;
    }

    const std::string& Text() const { return out_; }

private:
    JsonWriter& Open(char bracket) {
        Separate();
        out_ += bracket;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& Close(char bracket) {
        first_.pop_back();
        out_ += bracket;
        return *this;
    }

    // A value right after its key takes no comma; any other item after the first does.
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (!first_.empty()) {
            if (!first_.back()) {
                out_ += ',';
            }
            first_.back() = false;
        }
    }

    void Quote(std::string_view text) {
        out_ += '"';
        for (char c : text) {
            switch (c) {
            case '"':
                out_ += "\\\"";
                break;
            case '\\':
                out_ += "\\\\";
                break;
            case '\n':
                out_ += "\\n";
                break;
            case '\r':
                out_ += "\\r";
                break;
            case '\t':
                out_ += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out_ += escaped;
                } else {
                    out_ += c;
                }
            }
        }
        out_ += '"';
    }

    std::string out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};
