#include "host/json/value.h"

#include <nlohmann/json.hpp>

#include "host/session.h"

namespace vkhost {

namespace {

using nlohmann::json;

// Builds the document from nlohmann's SAX events. Numbers arrive as integers (exact) or as a
// double together with their source text; only the text is kept. Knows at every moment the path
// being read, so that a syntax error names where it happened.
class DocumentBuilder : public nlohmann::json_sax<json> {
public:
    bool null() override { return Add(JsonValue{}); }
    bool boolean(bool value) override {
        JsonValue v;
        v.kind = JsonValue::Kind::Boolean;
        v.boolean = value;
        return Add(std::move(v));
    }
    bool number_integer(number_integer_t value) override { return AddNumber(std::to_string(value)); }
    bool number_unsigned(number_unsigned_t value) override { return AddNumber(std::to_string(value)); }
    bool number_float(number_float_t, const string_t& raw) override { return AddNumber(raw); }
    bool string(string_t& value) override {
        JsonValue v;
        v.kind = JsonValue::Kind::String;
        v.text = std::move(value);
        return Add(std::move(v));
    }
    bool binary(binary_t&) override {
        return Fail(CurrentPath(), "des données binaires ne sont pas du JSON");
    }
    bool start_object(std::size_t) override { return Open(JsonValue::Kind::Object); }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(JsonValue::Kind::Array); }
    bool end_array() override { return Close(); }
    bool key(string_t& name) override {
        Frame& frame = frames_.back();
        for (const auto& member : frame.value->members)
            if (member.first == name)
                return Fail(MemberPath(PathOf(frames_.size() - 1), name), "champ donné deux fois");
        frame.key = std::move(name);
        frame.hasKey = true;
        return true;
    }
    // The parser's own message is English: only its byte position and the token it stopped at are
    // shown, the token cut short and kept printable.
    bool parse_error(std::size_t position, const std::string& lastToken,
                     const nlohmann::detail::exception& error) override {
        const std::string message = error.what();
        if (message.find("UTF-8") != std::string::npos || message.find("surrogate") != std::string::npos)
            return Fail(CurrentPath(), "doit être un texte UTF-8 valide");
        std::string token;
        for (char c : lastToken.substr(0, 20))
            token +=
                (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) ? '?' : c;
        return Fail(CurrentPath(), "JSON invalide (octet " + std::to_string(position) +
                                       (token.empty() ? "" : ", après « " + token + " »") + ")");
    }

    JsonValue TakeRoot() { return std::move(root_); }
    const std::string& ErrorMessage() const { return error_; }

private:
    struct Frame {
        JsonValue* value;
        std::string key;  // member being read, objects only
        bool hasKey = false;
    };

    bool Fail(const std::string& path, const std::string& reason) {
        if (error_.empty()) error_ = DisplayPath(path) + ": " + reason;
        return false;
    }

    // The path of the container frames_[depth] itself: each enclosing container's open child is
    // the last one placed in it.
    std::string PathOf(size_t depth) const {
        std::string path;
        for (size_t i = 0; i < depth; ++i) {
            const JsonValue& parent = *frames_[i].value;
            path = parent.kind == JsonValue::Kind::Object ? MemberPath(path, parent.members.back().first)
                                                          : ItemPath(path, parent.items.size() - 1);
        }
        return path;
    }
    // Where the next value of the innermost container goes.
    std::string CurrentPath() const {
        if (frames_.empty()) return std::string();
        const Frame& frame = frames_.back();
        std::string path = PathOf(frames_.size() - 1);
        if (frame.value->kind == JsonValue::Kind::Object)
            return frame.hasKey ? MemberPath(path, frame.key) : path;
        return ItemPath(path, frame.value->items.size());
    }

    // Places a value in the open container (or as the document); returns where it went.
    JsonValue* Place(JsonValue&& value) {
        if (frames_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Frame& frame = frames_.back();
        if (frame.value->kind == JsonValue::Kind::Array) {
            frame.value->items.push_back(std::move(value));
            return &frame.value->items.back();
        }
        frame.value->members.emplace_back(std::move(frame.key), std::move(value));
        frame.hasKey = false;
        return &frame.value->members.back().second;
    }
    bool Add(JsonValue&& value) {
        Place(std::move(value));
        return true;
    }
    bool AddNumber(std::string text) {
        JsonValue v;
        v.kind = JsonValue::Kind::Number;
        v.text = std::move(text);
        return Add(std::move(v));
    }
    bool Open(JsonValue::Kind kind) {
        if (frames_.size() >= size_t(kJsonMaxDepth))
            return Fail(CurrentPath(), "imbriqué sur plus de " + std::to_string(kJsonMaxDepth) + " niveaux");
        JsonValue v;
        v.kind = kind;
        // The container is placed first and filled in place: its ancestors are not resized while
        // it is open, so the pointer stays valid.
        frames_.push_back(Frame{Place(std::move(v)), std::string(), false});
        return true;
    }
    bool Close() {
        frames_.pop_back();
        return true;
    }

    JsonValue root_;
    std::vector<Frame> frames_;
    std::string error_;
};

}  // namespace

JsonValue::JsonValue() = default;
JsonValue::JsonValue(const JsonValue&) = default;
JsonValue::JsonValue(JsonValue&&) noexcept = default;
JsonValue& JsonValue::operator=(const JsonValue&) = default;
JsonValue& JsonValue::operator=(JsonValue&&) noexcept = default;
JsonValue::~JsonValue() = default;

const JsonValue* JsonValue::Find(std::string_view key) const {
    for (const auto& member : members)
        if (member.first == key) return &member.second;
    return nullptr;
}

JsonValue ParseJson(std::string_view text) {
    DocumentBuilder builder;
    bool ok = json::sax_parse(text, &builder);
    if (!ok || !builder.ErrorMessage().empty())
        throw InvalidInput(builder.ErrorMessage().empty() ? "$: JSON invalide" : builder.ErrorMessage());
    return builder.TakeRoot();
}

std::string QuoteJson(std::string_view text) {
    return json(std::string(text)).dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string ToJsonText(const JsonValue& value) {
    switch (value.kind) {
        case JsonValue::Kind::Null:
            return "null";
        case JsonValue::Kind::Boolean:
            return value.boolean ? "true" : "false";
        case JsonValue::Kind::Number:
            return value.text;
        case JsonValue::Kind::String:
            return QuoteJson(value.text);
        case JsonValue::Kind::Array: {
            std::string text = "[";
            for (size_t i = 0; i < value.items.size(); ++i)
                text += (i ? "," : "") + ToJsonText(value.items[i]);
            return text + "]";
        }
        case JsonValue::Kind::Object: {
            std::string text = "{";
            for (size_t i = 0; i < value.members.size(); ++i)
                text += (i ? "," : "") + QuoteJson(value.members[i].first) + ":" +
                        ToJsonText(value.members[i].second);
            return text + "}";
        }
    }
    return "null";
}

namespace {

// Letters, digits, underscores and characters beyond ASCII ("durée") but the C1 controls.
bool IsPlainKey(std::string_view key) {
    if (key.empty()) return false;
    for (size_t i = 0; i < key.size(); ++i) {
        unsigned char c = key[i], next = i + 1 < key.size() ? key[i + 1] : 0;
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                     (c >= 0x80 && !(c == 0xC2 && next >= 0x80 && next <= 0x9F));
        if (!plain) return false;
    }
    return true;
}

}  // namespace

std::string MemberPath(const std::string& path, std::string_view key) {
    if (IsPlainKey(key)) return path.empty() ? std::string(key) : path + "." + std::string(key);
    std::string quoted = QuoteJson(key);
    for (size_t at = quoted.find(':'); at != std::string::npos; at = quoted.find(':', at))
        quoted.replace(at, 1, "\\u003A");
    return path + "[" + quoted + "]";
}

std::string ItemPath(const std::string& path, size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

std::string DisplayPath(const std::string& path) {
    return path.empty() ? "$" : path;
}

}  // namespace vkhost
