#include "engine/velmor_variables.h"

#include "resources/yxstringlib.h"

bool TVelmorVariables::Set(const std::string& name, int32_t value) {
    if (name.empty()) return false;
    for (auto& v : m_List)
        if (yx::SameText(v.Name, name)) {
            v.Value = value;
            return true;
        }
    m_List.push_back({name, value});
    return true;
}

bool TVelmorVariables::Get(const std::string& name, int32_t& value) const {
    if (name.empty()) return false;
    for (const auto& v : m_List)
        if (yx::SameText(v.Name, name)) {
            value = v.Value;
            return true;
        }
    return false;
}

bool TVelmorVariables::ParseValue(const std::string& token, int32_t& value) const {
    return yx::TryStrToInt(token, value) || Get(token, value);
}

void TVelmorVariables::ClearAll(bool finished) {
    m_List.clear();
    Set(kFinished, finished ? 1 : 0);
}
