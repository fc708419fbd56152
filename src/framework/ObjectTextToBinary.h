#pragma once

#include <string>
#include <string_view>

namespace korvel {

class TStream;

// Converts the text form of a form description into its binary form, the
// value encoding that component readers take:
//
//   object me_Main: TKorvel
//     Left = 0
//     Font.Name = 'Courier New'
//     Options = [kvoWrapCaret, kvoAutoScrollBars]
//     Separators = #9#10#13' $%&,./:;<=>'
//     Keywords.Strings = (
//       'TABLE' 0 2 0 0 -1 255 0 0 0)
//   end
//
// Objects open with object, inherited or inline (a name and a colon are
// optional, an [index] may follow the class) and close with end; nested
// objects are their children. A property is a dotted name, "=" and a value:
// an integer (decimal or $hex, 64 bits at most), a number with a fraction or
// exponent, a string (quoted parts with '' for a quote, #n or #$n character
// codes, joined directly or by +), an identifier (True, False and nil are
// stored as their own tags), a set in brackets, a list in parentheses, hex
// bytes in braces, or a collection in angle brackets (item ... end). Text is
// 8-bit in the code page; a character code above 255 is taken by its
// Unicode value.
//
// The binary form starts with the signature "TPF0"; each object is its class
// name, its name, its properties, an end of list, its children and another
// end of list. Malformed text raises EParserError naming the line.
void ObjectTextToBinary(TStream& Input, TStream& Output);
std::string ObjectTextToBinary(std::string_view Text);

} // namespace korvel
