#pragma once
// Rich-text documents (Shift-JIS bytes) as the HTML subset Qt's text views show: paragraphs,
// line breaks, tabs, bold, italic, underline, colours and sizes. Anything that does not
// begin like rich text is plain text and comes back escaped with its line breaks.
#include <QString>
#include <string>

QString RichTextToHtml(const std::string& document);
