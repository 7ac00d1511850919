#include "project/texts.h"

namespace strataplot {
namespace {

bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool IsTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

void AppendEscaped(std::string& out, unsigned char byte) {
  static const char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

}  // namespace

std::string ReadableName(std::string_view gbk) {
  std::string out;
  bool cutLead = false;         // the byte before was a lead byte standing alone
  bool secondHalfNext = false;  // the next byte is the second half of a cut character
  for (std::size_t i = 0; i < gbk.size(); ++i) {
    auto byte = static_cast<unsigned char>(gbk[i]);
    bool secondHalf = secondHalfNext;
    secondHalfNext = false;
    bool lead = cutLead;
    cutLead = false;
    if (byte == 0) {
      out += "\\0";
      secondHalfNext = lead;
    } else if (byte < 0x80) {
      out += gbk[i];
    } else if (!secondHalf && IsLeadByte(byte) && i + 1 < gbk.size() &&
               IsTrailByte(static_cast<unsigned char>(gbk[i + 1]))) {
      out += gbk.substr(i, 2);
      ++i;
    } else {
      AppendEscaped(out, byte);
      cutLead = !secondHalf && IsLeadByte(byte);
    }
  }
  return out;
}

}  // namespace strataplot
