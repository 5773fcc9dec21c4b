#include "prentix/print/layoutpage.h"

#include <langinfo.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>

#include "prentix/lang/sprache.h"

namespace prentix {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  // to the nearest, halves away from zero, as the Windows call rounds
  int64_t p = static_cast<int64_t>(a) * b;
  int64_t ap = p < 0 ? -p : p, ac = c < 0 ? -static_cast<int64_t>(c) : c;
  int64_t q = (ap + ac / 2) / ac;
  return static_cast<int>((p < 0) != (c < 0) ? -q : q);
}

PageLayout LayoutPage(const PageMetrics& m, const PageContent& c, const Settings& s) {
  PageLayout out;
  int left = 0, top = 0, right = m.horzRes, bottom = m.vertRes;
  const int cw = m.cellWidth, ch = m.cellHeight;

  // margins in cells; 0 takes a default that depends on centring
  const bool centre = s.center == 1;
  int topMargin = s.TopMargin ? s.TopMargin : 2;
  int bottomMargin = s.BottomMargin ? s.BottomMargin : (centre ? 2 : 0);
  int leftMargin = s.LeftMargin ? s.LeftMargin : 8;
  int rightMargin = s.RightMargin ? s.RightMargin : (centre ? 8 : 2);
  top += topMargin * ch;
  bottom -= bottomMargin * ch;
  left += leftMargin * cw;
  right -= rightMargin * cw;

  if (c.header) {
    const std::string printAt = GetSprachText(16022), host = GetSprachText(16023),
                      user = GetSprachText(16024), file = GetSprachText(16049);
    auto width = [&](const std::string& t) { return m.textWidth ? m.textWidth(t) : 0; };
    int labels = std::max({width(printAt), width(host), width(user)});
    if (!c.filePath.empty()) labels = std::max(labels, width(file));
    const int lh = m.lineHeight;
    auto line = [&](int x, std::string label, std::string value) {
      out.header.push_back({x, top, std::move(label), std::move(value)});
      top += lh;
      bottom -= lh;
    };
    if (s.Page == 1) {
      line(right, {}, std::string(GetSprachText(16048)) + " " + std::to_string(c.printCounter));
    }
    if (s.PrintDate == 1) line(left + labels, printAt, c.date);
    if (s.Hostname == 1 && !c.host.empty()) line(left + labels, host, c.host);
    if (s.Username == 1 && !c.user.empty()) line(left + labels, user, c.user);
    if (s.Filename == 1 && !c.filePath.empty()) line(left + labels, file, c.filePath);
    top += lh / 2;
    bottom -= lh / 2;
  }

  if ((right <= left || bottom <= top) &&
      (s.TopMargin || s.BottomMargin || s.LeftMargin || s.RightMargin)) {
    // margins that leave nothing of the page would print a blank sheet:
    // the defaults give way to the picture instead
    Settings defaults = s;
    defaults.TopMargin = defaults.BottomMargin = defaults.LeftMargin = defaults.RightMargin = 0;
    return LayoutPage(m, c, defaults);
  }
  int w = c.width, h = c.height;
  if (c.text) {
    w = right - left;
    if (s.Hostname == 1 || s.Username == 1 || s.Page == 1 || s.PrintDate == 1) {
      out.separator = true;
      out.separatorY = top - ch / 2;
      out.separatorLeft = left;
      out.separatorRight = right;
    }
    h = ch * (1 + c.textLineFeeds);
    out.textFontHeight = ch;
  }

  bool placed = false;
  if (s.eze == 1 && m.screenLogPixelsX > 0 && m.screenLogPixelsY > 0) {
    int w1 = MulDiv(w, m.logPixelsX, m.screenLogPixelsX);
    int h1 = MulDiv(h, m.logPixelsY, m.screenLogPixelsY);
    if (left + w1 <= right && top + h1 <= bottom) {
      right = left + w1;
      bottom = top + h1;
      placed = true;
    }
  }
  if (!placed && w > 0 && h > 0 && m.logPixelsX > 0 && m.logPixelsY > 0) {
    // extended precision, truncated toward zero
    long double availW = right - left;
    long double scaledH =
        std::trunc((availW * h * m.logPixelsY) / (static_cast<long double>(w) * m.logPixelsX));
    if (top + scaledH <= bottom) {
      bottom = top + static_cast<int>(scaledH);
    } else {
      long double availH = bottom - top;
      long double scaledW =
          std::trunc((availH * w * m.logPixelsX) / (static_cast<long double>(h) * m.logPixelsY));
      right = left + static_cast<int>(scaledW);
    }
  }

  // centring on the whole sheet; margins and header do not count
  if (centre) {
    int width = right - left;
    left = (m.horzRes - width) / 2;
    right = left + width;
  }
  if (s.centerV == 1) {
    int height = bottom - top;
    top = (m.vertRes - height) / 2;
    bottom = top + height;
  }
  if (c.text) bottom = m.vertRes;
  out.target = {left, top, right, bottom};
  return out;
}

std::string LongDateTimeFormat(std::string_view format) {
  std::string out;
  out.reserve(format.size());
  for (size_t i = 0; i < format.size(); ++i) {
    out += format[i];
    if (format[i] != '%' || i + 1 >= format.size()) continue;
    const char c = format[++i];
    // day and month by their full names; everything else as the locale has it
    out += c == 'a' ? 'A' : (c == 'b' || c == 'h') ? 'B' : c;
  }
  return out;
}

std::string LongDateTime(const std::tm& when) {
  const std::string format = LongDateTimeFormat(nl_langinfo(D_T_FMT));
  char text[160];
  size_t n = std::strftime(text, sizeof text, format.c_str(), &when);
  return std::string(text, n);
}

std::string HeaderDate() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return LongDateTime(local);
}

std::string ExpandTabs(std::string_view text, int stop) {
  std::string out;
  out.reserve(text.size());
  int column = 0;
  for (char c : text) {
    if (c == '\t') {
      do out += ' ';
      while (++column % stop);
      continue;
    }
    out += c;
    if (c == '\n' || c == '\r') {
      column = 0;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++column;  // a UTF-8 character counts once, at its first byte
    }
  }
  return out;
}

}  // namespace prentix
