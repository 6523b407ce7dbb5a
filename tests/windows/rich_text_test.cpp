// Rich-text documents as Qt shows them: the text with its paragraphs, and the formatting of
// each run, read back from a QTextDocument made from the conversion.
#include "windows/rich_text.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>

#include "platform/sjis.h"

namespace {

struct Piece {
    const char* text;  // UTF-8, a piece of the document
    bool bold;
    bool italic;
    const char* colour;  // "#rrggbb", or "" for the view's own
};

struct Case {
    const char* what;
    std::string document;  // Shift-JIS
    const char* plain;     // the text Qt shows: breaks as '\n', no-break spaces as ' '
    std::vector<Piece> runs;
};

std::string Sjis(const char* utf8) {
    return platform::Utf8ToSjis(utf8);
}

// The character format at the start of text in the document.
QTextCharFormat FormatAt(const QTextDocument& doc, const QString& text) {
    const int at = doc.toPlainText().indexOf(text);
    if (at < 0) return {};
    QTextCursor cursor(const_cast<QTextDocument*>(&doc));
    cursor.setPosition(at + 1);
    return cursor.charFormat();
}

TEST(RichText, ParagraphsBoldColoursAndEscapesSurvive) {
    const std::string colours =
        "{\\colortbl;\\red42\\green157\\blue181;\\red47\\green58\\blue82;}";
    const Case cases[] = {
        {"paragraphs, bold, colour, size",
         "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0 Sans;}}" + colours +
             "\\pard\\fs36\\b\\cf1 velmor\\b0\\fs20\\cf2\\par " + Sjis("物語") + "\\par\n}",
         "velmor\n物語",
         {{"velmor", true, false, "#2a9db5"}, {"物語", false, false, "#2f3a52"}}},
        {"escaped Shift-JIS bytes, groups restore the format",
         "{\\rtf1" + colours + "{\\b\\i \\'82\\'a0}\\'82\\'a2\\par}",
         "あい",
         {{"あ", true, true, ""}, {"い", false, false, ""}}},
        {"a trail byte that looks like a backslash stays in its character",
         "{\\rtf1 " + Sjis("ソ表") + "\\par}", "ソ表", {{"ソ表", false, false, ""}}},
        {"line breaks, tabs, escaped braces and a Unicode character",
         "{\\rtf1 a\\line b\\tab c \\{x\\}\\u9731?\\par}", "a\nb\tc {x}\u2603",
         {{"a", false, false, ""}}},
        {"an empty paragraph keeps its line; destinations give no text",
         "{\\rtf1{\\*\\generator Tool;}{\\info{\\title T}}one\\par\\par two\\par}", "one\n \ntwo",
         {}},
        {"plain text is escaped and keeps its lines", Sjis("<一>\n& 二"), "<一>\n& 二", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTextDocument doc;
        doc.setHtml(RichTextToHtml(c.document));
        EXPECT_EQ(doc.toPlainText().toStdString(), c.plain);
        for (const Piece& run : c.runs) {
            SCOPED_TRACE(run.text);
            const QTextCharFormat f = FormatAt(doc, QString::fromUtf8(run.text));
            EXPECT_EQ(f.fontWeight() >= QFont::Bold, run.bold);
            EXPECT_EQ(f.fontItalic(), run.italic);
            EXPECT_EQ(f.foreground().style() != Qt::NoBrush
                          ? f.foreground().color().name().toStdString()
                          : std::string(),
                      run.colour);
        }
    }
}

}  // namespace
