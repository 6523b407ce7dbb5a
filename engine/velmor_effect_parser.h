#pragma once
#include "resources/string_list.h"

// The effect number named by the words of a command line, the command word included (so
// "in", "out", "scroll", "tumble" and "effect" count too); 0 when the words name no effect.
int speffectParse(const TStringList& words);
