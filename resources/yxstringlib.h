#pragma once
// Text routines shared by the whole engine. Texts are Shift-JIS bytes; separator scans never
// look at either byte of a double-byte character. Positions count bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "resources/string_list.h"

namespace yx {

// The quote-aware list splitter: appends the items of text to list; returns their number.
int Split(std::string_view text, std::string_view separators, TStringList& list);
// Empties list, splits, drops empty items; returns what Split returned.
int SplitNonEmpty(std::string_view text, std::string_view separators, TStringList& list);
void RemoveEmpty(TStringList& list);

std::string GetField(std::string_view text, std::string_view separators, int index);
bool SplitAt(std::string_view text, std::string_view separator, std::string& left,
             std::string& right);
bool SplitAtComma(std::string_view text, std::string& left, std::string& right);
int IndexOfText(const TStringList& list, std::string_view text, bool ignoreCase);
std::string TextAfter(std::string_view text, std::string_view marker);
TPoint ParsePoint(std::string_view text);
// The class library's comma text: items end at a comma or a blank, a quoted run is one item
// ("" inside it is a quote), two commas in a row hold an empty item.
TStringList SplitCommaText(std::string_view text);
std::string StripFileNameChars(std::string_view text);

// The three comparisons. Exact is operator==. SameText folds ASCII, full-width Latin, Greek and
// Cyrillic letters as the Japanese locale does; SameTextAscii folds ASCII letters only.
bool SameText(std::string_view a, std::string_view b);
// The key SameText compares: SameText(a, b) is FoldText(a) == FoldText(b).
std::string FoldText(std::string_view text);
// FoldText(text) == key, without making the folded copy.
bool FoldsTo(std::string_view text, std::string_view key);
int CompareText(std::string_view a, std::string_view b);
bool SameTextAscii(std::string_view a, std::string_view b);
int CompareTextAscii(std::string_view a, std::string_view b);
std::string LowerCaseAscii(std::string_view text);
std::string UpperCaseAscii(std::string_view text);

// The platform's integer conversion: blanks, sign, decimal or hex after $, x, X, 0x, 0X;
// the whole text must be a 32-bit number.
bool TryStrToInt(std::string_view text, int32_t& value);
int32_t StrToIntDef(std::string_view text, int32_t def);
std::string IntToStr(int64_t value);

// File-name helpers on engine paths; both '\' and '/' separate, trail bytes never do.
std::string ExtractFilePath(std::string_view path);  // with trailing separator
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);  // with the dot; empty without one
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingBackslash(std::string_view path);
std::string ExcludeTrailingBackslash(std::string_view path);

}  // namespace yx
