#pragma once
// A small reader for the rich text the station ships (the operator's manual) and the files
// an operator may put in its place: paragraphs, bold, italic, underline, font sizes, indents,
// alignment, bullet and numbered lists, code page 1252 and Unicode characters. Everything
// else (fonts, colours, pictures, fields, document information) is left out. Any bytes are
// safe to give it: nesting is capped, the work is linear in the input and it never throws.
#include "base/Result.h"

#include <QByteArray>

class QTextDocument;

namespace zelvan::app
{

// Groups nested deeper than this are left out with everything in them, so that hostile input
// cannot exhaust the reader's stack.
inline constexpr int kRtfMaxDepth = 100;

// Replaces the document's contents with the text of `rtf`. Input that does not begin with
// "{\rtf" (after white space) is not rich text: the document is emptied and the failure says so.
// Damaged rich text (unbalanced braces, unknown control words, cut short) is read as far as
// it makes sense.
Status readRtf(const QByteArray& rtf, QTextDocument& document);

} // namespace zelvan::app
