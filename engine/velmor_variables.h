#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/velmor_int_variable.h"

// The game's named integers, in the order they were first set; names are unique without
// regard to case.
class TVelmorVariables {
public:
    // The game-cleared flag, kept through every clearing.
    static constexpr const char* kFinished = "velmor@FINISHED";

    const std::vector<TVelmorIntVariable>& List() const { return m_List; }
    // False only for an empty name.
    bool Set(const std::string& name, int32_t value);
    // False when no variable has that name.
    bool Get(const std::string& name, int32_t& value) const;
    // A number (hexadecimal forms too), else the value of the variable of that name.
    bool ParseValue(const std::string& token, int32_t& value) const;
    // Empties the list but for the game-cleared flag.
    void ClearAll(bool finished);
    void Replace(std::vector<TVelmorIntVariable> list) { m_List = std::move(list); }

private:
    std::vector<TVelmorIntVariable> m_List;
};
