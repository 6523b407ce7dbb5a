#pragma once
// Story text and choice captions drawn straight onto a layer's picture (the screen layer):
// Shift-JIS line breaking that keeps a closing punctuation mark with the character before it,
// the pieces of a character-by-character reveal, plain or smooth output.
#include <cstdint>
#include <string>
#include <vector>

#include "resources/string_list.h"

class TSprite;

class TMessageText {
public:
    // The whole text from the rectangle's top-left, a new line whenever the next character
    // would reach the rectangle's right edge; transparent background, colour as text colour.
    static void DrawWrappedText(TSprite& sprite, const TRect& rect, const std::string& text,
                                int linePitch, uint32_t colour, bool smooth);
    // One piece at the pen, first moving the pen to the next line when it would reach the right
    // edge; the pen advances by the piece's width when the output succeeded.
    // drawn, when given, grows to take in every pixel the output may have touched.
    static bool DrawTextPiece(TSprite& sprite, const TRect& rect, TPoint& pen, int linePitch,
                              uint32_t colour, const std::string& piece, bool smooth,
                              TRect* drawn = nullptr);
    // Captions in their rows, the highlighted one in the message colour, the others in the select
    // colour, without outline.
    static void DrawChoices(TSprite& sprite, const TRect* rows, const std::string* captions,
                            int count, int highlighted, int linePitch, uint32_t messageColour,
                            uint32_t selectColour, bool smooth);

    // The lines DrawWrappedText outputs: byte lengths in order (the last may be 0 when the text
    // is empty), measured in the sprite's font for the given limit.
    static std::vector<size_t> BreakLines(TSprite& sprite, const std::string& text, int limit);
    // Byte length of the reveal piece starting at the 0-based offset: one whole character, with
    // a following closing punctuation mark (0x81 and one of the twelve) joined to it.
    static int PieceLength(const std::string& text, int offset);
    // Second byte, after 0x81, of 、 。 ， ． ？ ！ （ ） 「 」 『 』.
    static bool IsJoinedPunctuation(uint8_t trail);

    // Every text output (plain or smooth) counts here, for tests of how often text is drawn.
    static uint64_t OutputCount();

private:
    static bool Output(TSprite& sprite, int x, int y, const std::string& text, size_t length,
                       uint32_t colour, bool smooth);
};
