#include "tools/velmor-check/coverage_report.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "platform/sjis.h"

namespace {

std::string Quote(const std::string& sjis) {
    std::string out = "\"";
    for (unsigned char c : platform::SjisToUtf8(sjis)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Just enough JSON for the file this class writes: objects, arrays, strings, integers.
struct Value {
    enum Kind { Null, Number, String, Array, Object } kind = Null;
    int64_t number = 0;
    std::string text;  // UTF-8
    std::vector<Value> items;
    std::vector<std::pair<std::string, Value>> members;
    const Value* Get(const std::string& key) const {
        for (const auto& [k, v] : members)
            if (k == key) return &v;
        return nullptr;
    }
};

class Parser {
public:
    explicit Parser(const std::string& text) : m_Text(text) {}
    bool Parse(Value& out) { return ParseValue(out, 0) && (Skip(), m_At == m_Text.size()); }

private:
    void Skip() {
        while (m_At < m_Text.size() && std::isspace(static_cast<unsigned char>(m_Text[m_At])))
            ++m_At;
    }
    bool ParseString(std::string& out) {
        if (m_Text[m_At] != '"') return false;
        for (++m_At; m_At < m_Text.size(); ++m_At) {
            char c = m_Text[m_At];
            if (c == '"') {
                ++m_At;
                return true;
            }
            if (c == '\\') {
                if (++m_At >= m_Text.size()) return false;
                c = m_Text[m_At];
                if (c == 'u') {
                    if (m_At + 4 >= m_Text.size()) return false;
                    const unsigned code = std::stoul(m_Text.substr(m_At + 1, 4), nullptr, 16);
                    if (code < 0x80) {
                        out += static_cast<char>(code);
                    } else if (code < 0x800) {
                        out += static_cast<char>(0xC0 | code >> 6);
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | code >> 12);
                        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                    m_At += 4;
                    continue;
                }
                out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
                continue;
            }
            out += c;
        }
        return false;
    }
    bool ParseValue(Value& v, int depth) {
        Skip();
        if (m_At >= m_Text.size() || depth > 16) return false;
        const char c = m_Text[m_At];
        if (c == '"') {
            v.kind = Value::String;
            return ParseString(v.text);
        }
        if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
            size_t used = 0;
            try {
                v.number = std::stoll(m_Text.substr(m_At, 24), &used);
            } catch (...) {
                return false;
            }
            v.kind = Value::Number;
            m_At += used;
            return true;
        }
        const char close = c == '[' ? ']' : c == '{' ? '}' : 0;
        if (!close) return false;
        v.kind = c == '[' ? Value::Array : Value::Object;
        ++m_At;
        Skip();
        if (m_At < m_Text.size() && m_Text[m_At] == close) {
            ++m_At;
            return true;
        }
        for (;;) {
            Skip();
            std::string key;
            if (v.kind == Value::Object) {
                if (m_At >= m_Text.size() || !ParseString(key)) return false;
                Skip();
                if (m_At >= m_Text.size() || m_Text[m_At++] != ':') return false;
            }
            Value item;
            if (!ParseValue(item, depth + 1)) return false;
            if (v.kind == Value::Object)
                v.members.emplace_back(key, std::move(item));
            else
                v.items.push_back(std::move(item));
            Skip();
            if (m_At >= m_Text.size()) return false;
            if (m_Text[m_At] == ',') {
                ++m_At;
                continue;
            }
            if (m_Text[m_At++] != close) return false;
            return true;
        }
    }
    const std::string& m_Text;
    size_t m_At = 0;
};

std::string Sjis(const Value& v) {
    return platform::Utf8ToSjis(v.text);
}

}  // namespace

bool TCoverageReport::Load(const std::string& hostPath, std::string& error) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return true;
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    Value root;
    if (!Parser(text).Parse(root) || root.kind != Value::Object) {
        error = "not a coverage report: " + hostPath;
        return false;
    }
    if (const Value* v = root.Get("runs")) Runs += static_cast<int32_t>(v->number);
    if (const Value* v = root.Get("lines"))
        for (const auto& [script, list] : v->members)
            for (const Value& n : list.items)
                Lines[platform::Utf8ToSjis(script)].insert(static_cast<int32_t>(n.number));
    if (const Value* v = root.Get("paragraphs"))
        for (const auto& [script, list] : v->members)
            for (const Value& p : list.items) Paragraphs[platform::Utf8ToSjis(script)].insert(Sjis(p));
    if (const Value* v = root.Get("choices"))
        for (const Value& c : v->items) {
            const Value* s = c.Get("script");
            const Value* l = c.Get("line");
            const Value* t = c.Get("taken");
            if (!s || !l || !t) continue;
            auto& taken = Choices[{Sjis(*s), static_cast<int32_t>(l->number)}];
            for (const Value& n : t->items) taken.insert(static_cast<int32_t>(n.number));
        }
    if (const Value* v = root.Get("eventPictures"))
        for (const Value& p : v->items) EventPictures.insert(Sjis(p));
    if (const Value* v = root.Get("scenes"))
        for (const Value& p : v->items) Scenes.insert(Sjis(p));
    if (const Value* v = root.Get("endings"))
        for (const Value& e : v->items) {
            const Value* s = e.Get("script");
            const Value* l = e.Get("line");
            if (s && l) Endings.insert({Sjis(*s), static_cast<int32_t>(l->number)});
        }
    return true;
}

bool TCoverageReport::Save(const std::string& hostPath) const {
    std::ostringstream out;
    out << "{\"runs\":" << Runs << ",\n\"lines\":{";
    bool first = true;
    for (const auto& [script, lines] : Lines) {
        out << (first ? "\n" : ",\n") << Quote(script) << ":[";
        first = false;
        bool f = true;
        for (int32_t n : lines) {
            out << (f ? "" : ",") << n;
            f = false;
        }
        out << "]";
    }
    out << "},\n\"paragraphs\":{";
    first = true;
    for (const auto& [script, labels] : Paragraphs) {
        out << (first ? "\n" : ",\n") << Quote(script) << ":[";
        first = false;
        bool f = true;
        for (const std::string& l : labels) {
            out << (f ? "" : ",") << Quote(l);
            f = false;
        }
        out << "]";
    }
    out << "},\n\"choices\":[";
    first = true;
    for (const auto& [place, taken] : Choices) {
        out << (first ? "\n" : ",\n") << "{\"script\":" << Quote(place.first)
            << ",\"line\":" << place.second << ",\"taken\":[";
        first = false;
        bool f = true;
        for (int32_t n : taken) {
            out << (f ? "" : ",") << n;
            f = false;
        }
        out << "]}";
    }
    auto list = [&](const char* key, const std::set<std::string>& items) {
        out << "],\n\"" << key << "\":[";
        bool f = true;
        for (const std::string& i : items) {
            out << (f ? "" : ",") << Quote(i);
            f = false;
        }
    };
    list("eventPictures", EventPictures);
    list("scenes", Scenes);
    out << "],\n\"endings\":[";
    first = true;
    for (const auto& [script, line] : Endings) {
        out << (first ? "" : ",") << "{\"script\":" << Quote(script) << ",\"line\":" << line
            << "}";
        first = false;
    }
    out << "]}\n";
    const std::string temp = hostPath + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (!(file << out.str())) return false;
    }
    return std::rename(temp.c_str(), hostPath.c_str()) == 0;
}
