// The watermark colour rule, as every add-in and the picture painter apply it.
#include "core/color_rule.h"

#include <climits>
#include <cstdint>
#include <string>

namespace {
using Units = std::basic_string<ExWChar>;

bool IsSpace(ExWChar c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// Like _wtoi: leading white space, an optional sign, then decimal digits up to the first
// other character; out-of-range values saturate as the runtime's conversion does.
int32_t ReadInt(const Units& s) {
  size_t i = 0;
  while (i < s.size() && IsSpace(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    ++i;
  }
  int64_t value = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    value = value * 10 + (s[i] - u'0');
    if (value > static_cast<int64_t>(INT_MAX) + 1) value = static_cast<int64_t>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int32_t>(value);
}

uint32_t Low8(int32_t v) { return static_cast<uint32_t>(v) & 0xFFu; }
}  // namespace

uint32_t ColorFromWatermarkText(const ExWChar* text, size_t maxUnits) {
  if (!text) return kDefaultWatermarkColor;
  size_t len = 0;
  while (len < maxUnits && text[len] != 0) ++len;
  size_t begin = 0, end = len;
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  if (begin == end) return kDefaultWatermarkColor;
  Units s(text + begin, text + end);

  int32_t red = 0, green = 0, blue = 0;
  size_t comma = s.find(u',');
  if (comma != Units::npos && comma > 0) {
    red = ReadInt(s.substr(0, comma));
    Units rest = s.substr(comma + 1);
    size_t second = rest.find(u',');
    if (second != Units::npos && second > 0) {
      green = ReadInt(rest.substr(0, second));
      blue = ReadInt(rest.substr(second + 1));
    }
  }
  return Low8(red) | (Low8(green) << 8) | (Low8(blue) << 16);
}
