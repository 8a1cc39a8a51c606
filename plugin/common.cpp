#include "plugin/common.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Checks the grammar of a plain decimal number: [sign] digits [. digits] [e [sign] digits],
// with at least one digit before the exponent. Returns the decimal exponent of the first
// significant digit (used to tell an overflow from an underflow), or false.
bool ScanPlainNumber(std::string_view text, long& magnitude) {
  std::size_t i = 0, n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  long intDigits = 0, leadingFractionZeros = 0;
  bool significant = false, anyDigit = false;
  for (; i < n && IsDigit(text[i]); ++i) {
    anyDigit = true;
    if (text[i] != '0') significant = true;
    if (significant) ++intDigits;
  }
  if (i < n && text[i] == '.') {
    ++i;
    for (; i < n && IsDigit(text[i]); ++i) {
      anyDigit = true;
      if (!significant && text[i] == '0') ++leadingFractionZeros;
      else significant = true;
    }
  }
  if (!anyDigit) return false;
  long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= n || !IsDigit(text[i])) return false;
    for (; i < n && IsDigit(text[i]); ++i) {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  if (i != n) return false;
  magnitude = exponent + (intDigits > 0 ? intDigits - 1 : -(leadingFractionZeros + 1));
  return true;
}

// Reads [sign] digits [. digits] with at most 15 digits in all, the numbers boards are made
// of, without the general reader: the digits form an integer M below 2^53 and the value is
// M / 10^d, one correctly rounded division of two exact numbers, which is the correctly
// rounded value of the text, as the general reader gives it. False for anything else.
bool ReadShortDecimal(std::string_view text, double& value) {
  static constexpr double kScale[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++i;
  std::uint64_t mantissa = 0;
  int digits = 0, decimals = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      if (++digits > 15) return false;
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      if (point) ++decimals;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  const double magnitude = static_cast<double>(mantissa) / kScale[decimals];
  value = negative ? -magnitude : magnitude;
  return true;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

// ---- Units ----------------------------------------------------------------------------

std::string_view UnitText(int unit) {
  switch (unit) {
    case UnitInch: return "inch";
    case UnitMil: return "mil";
    case UnitMm: return "mm";
    default: return {};
  }
}

double ConvertUnits(int fromUnit, int toUnit, double value) {
  if (fromUnit < 0 || fromUnit >= UnitCount || toUnit < 0 || toUnit >= UnitCount) return kNaN;
  if (fromUnit == toUnit) return value;
  // Computed in this order, so that results match the document's own arithmetic.
  switch (fromUnit * UnitCount + toUnit) {
    case UnitInch * UnitCount + UnitMil: return value * 1000;
    case UnitInch * UnitCount + UnitMm: return value * 25.4;
    case UnitMil * UnitCount + UnitInch: return value / 1000;
    case UnitMil * UnitCount + UnitMm: return value / 1000 * 25.4;
    case UnitMm * UnitCount + UnitInch: return value / 25.4;
    case UnitMm * UnitCount + UnitMil: return value / 25.4 * 1000;
  }
  return kNaN;
}

// ---- Numbers --------------------------------------------------------------------------

double ParseNumber(std::string_view text) {
  if (text.empty()) return kNaN;
  double quick = 0.0;
  // The plain form boards hold needs no trimming and no comma look-up: a text the short
  // reader takes has neither blanks nor commas, so the steps below would come to the same.
  if (ReadShortDecimal(text, quick)) return quick;
  std::string_view trimmed = TrimBlanks(text);
  // Most numbers come with '.'; only a comma needs a copy to read.
  std::string withDot;
  if (trimmed.find(',') != std::string_view::npos) {
    withDot.assign(trimmed);
    for (char& c : withDot) {
      if (c == ',') c = '.';
    }
    trimmed = withDot;
  }
  const std::string_view normalised = trimmed;
  if (ReadShortDecimal(normalised, quick)) return quick;
  long magnitude = 0;
  if (!ScanPlainNumber(normalised, magnitude)) return kNaN;
  const char* first = normalised.data();
  const char* last = first + normalised.size();
  if (*first == '+') ++first;  // from_chars takes no plus sign
  double value = 0.0;
  auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too large is no number; too small is as good as zero.
    if (magnitude > 0) return kNaN;
    return normalised.front() == '-' ? -0.0 : 0.0;
  }
  if (ec != std::errc() || end != last) return kNaN;
  return value;
}

namespace {
// Splits to_chars' scientific form into its sign, significant digits and exponent.
void SplitScientific(std::string_view sci, bool& negative, char (&digits)[24], std::size_t& count, int& exponent) {
  negative = sci.front() == '-';
  if (negative) sci.remove_prefix(1);
  const std::size_t ePos = sci.find('e');
  count = 0;
  for (std::size_t i = 0; i < ePos; ++i) {
    if (sci[i] != '.' && count < sizeof digits) digits[count++] = sci[i];
  }
  exponent = 0;
  std::from_chars(sci.data() + ePos + 1 + (sci[ePos + 1] == '+'), sci.data() + sci.size(), exponent);
}
}  // namespace

// Numbers within a hair of a decimal with up to six decimals (what boards hold, and sums of
// such numbers) are written from that decimal D = r·10^-d. Let a = |value|, with decimal
// exponent E, and s = a·10^d as computed (off by at most s·2^-53). When |s - r| is at most
// s·0.25e-15, a lies within 0.39·10^(E-14) of D: closer than half a step of the 15th digit,
// on whose grid D lies (s < 10^15), so D is the value rounded to 15 significant digits.
// Returns 0 for other numbers.
std::size_t FormatShortDecimal(double value, char (&text)[NumberTextSize]) {
  static constexpr double kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-4 && magnitude < 1e15)) return 0;
  for (int d = 0; d < 7; ++d) {
    const double scaled = magnitude * kScale[d];
    if (scaled >= 1e15) return 0;
    // std::round without the call: below 2^52 the fraction scaled - whole is exact.
    const auto whole = static_cast<std::uint64_t>(scaled);
    const std::uint64_t integer = whole + (scaled - static_cast<double>(whole) >= 0.5 ? 1 : 0);
    const auto rounded = static_cast<double>(integer);
    if (integer == 0 || std::fabs(scaled - rounded) > scaled * 0.25e-15) continue;
    char digits[24] = {};
    int count = 0;
    for (std::uint64_t m = integer; m != 0; m /= 10) digits[count++] = static_cast<char>('0' + m % 10);
    // digits holds r backwards; drop the fraction's trailing zeros.
    int low = 0;
    while (low < d && low < count && digits[low] == '0') ++low;
    std::size_t n = 0;
    if (value < 0) text[n++] = '-';
    if (count <= d) {
      text[n++] = '0';
    } else {
      for (int i = count - 1; i >= d; --i) text[n++] = digits[i];
    }
    if (low < d) {
      text[n++] = '.';
      for (int i = d - 1; i >= low; --i) text[n++] = i < count ? digits[i] : '0';
    }
    return n;
  }
  return 0;
}

std::size_t FormatNumberTo(double value, char (&text)[NumberTextSize]) {
  if (std::size_t n = FormatShortDecimal(value, text)) return n;
  auto put = [&](std::string_view s) {
    std::memcpy(text, s.data(), s.size());
    return s.size();
  };
  if (std::isnan(value)) return put("NAN");
  if (std::isinf(value)) return put(value < 0 ? "-INF" : "INF");
  if (value == 0.0) return put("0");

  // The shortest digits that read back as the value. When there are at most 15 of them they
  // are also the value rounded to 15 significant digits, since a normal double's half step
  // is far below half a step of the 15th digit; otherwise round to 15 digits.
  char buffer[40];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  if (ec != std::errc()) return put("0");
  bool negative = false;
  char digits[24];
  std::size_t count = 0;
  int exponent = 0;
  SplitScientific(std::string_view(buffer, static_cast<std::size_t>(end - buffer)), negative, digits, count, exponent);
  if (count > 15 || std::fabs(value) < std::numeric_limits<double>::min()) {
    auto [end15, ec15] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    if (ec15 != std::errc()) return put("0");
    SplitScientific(std::string_view(buffer, static_cast<std::size_t>(end15 - buffer)), negative, digits, count,
                    exponent);
  }
  while (count > 1 && digits[count - 1] == '0') --count;

  std::size_t n = 0;
  if (negative) text[n++] = '-';
  if (exponent >= 15 || exponent < -4) {
    text[n++] = digits[0];
    if (count > 1) {
      text[n++] = '.';
      for (std::size_t i = 1; i < count; ++i) text[n++] = digits[i];
    }
    text[n++] = 'E';
    auto [e, eec] = std::to_chars(text + n, text + NumberTextSize, exponent);
    (void)eec;  // at most 4 characters
    n = static_cast<std::size_t>(e - text);
  } else if (exponent < 0) {
    text[n++] = '0';
    text[n++] = '.';
    for (int i = 0; i < -exponent - 1; ++i) text[n++] = '0';
    for (std::size_t i = 0; i < count; ++i) text[n++] = digits[i];
  } else {
    const std::size_t intLen = static_cast<std::size_t>(exponent) + 1;
    for (std::size_t i = 0; i < intLen; ++i) text[n++] = i < count ? digits[i] : '0';
    if (count > intLen) {
      text[n++] = '.';
      for (std::size_t i = intLen; i < count; ++i) text[n++] = digits[i];
    }
  }
  return n;
}

std::string FormatNumber(double value) {
  char text[NumberTextSize];
  return std::string(text, FormatNumberTo(value, text));
}

std::string FormatNumberEdit(double value) {
  std::string text = FormatNumber(value);
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

std::string FormatNumberLocale(double value, char localeDecimalSeparator) {
  std::string text = FormatNumber(value);
  for (char& c : text) {
    if (c == '.') c = localeDecimalSeparator;
  }
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

// ---- Settings -------------------------------------------------------------------------

TSettings::TSettings() : FPrecision{4, 2, 4} {}

int TSettings::GetPrecision(int index) const {
  if (index < 0 || index >= UnitCount) return 0;
  return FPrecision[static_cast<std::size_t>(index)];
}

void TSettings::SetPrecision(int index, int value) {
  if (index < 0 || index >= UnitCount) return;
  FPrecision[static_cast<std::size_t>(index)] = value;
}

// ---- Tolerances -----------------------------------------------------------------------

double GeomEps = GeomEpsMm;
double OffsetSlack = OffsetSlackMm;
double ProbeStep = ProbeStepMm;

void ResetTolerances() {
  GeomEps = GeomEpsMm;
  OffsetSlack = OffsetSlackMm;
  ProbeStep = ProbeStepMm;
}

void RescaleTolerances(int documentUnit) {
  GeomEps = ConvertUnits(UnitMm, documentUnit, GeomEps);
  OffsetSlack = ConvertUnits(UnitMm, documentUnit, OffsetSlack);
  ProbeStep = ConvertUnits(UnitMm, documentUnit, ProbeStep);
}

// ---- Points ---------------------------------------------------------------------------

bool operator==(const TDPoint& a, const TDPoint& b) {
  return std::abs(a.x - b.x) <= GeomEps && std::abs(a.y - b.y) <= GeomEps;
}

bool operator!=(const TDPoint& a, const TDPoint& b) {
  return std::abs(a.x - b.x) > GeomEps || std::abs(a.y - b.y) > GeomEps;
}

TDPoint TDPoint::MidPoint(const TDPoint& p) const { return (*this + p) * 0.5; }

double TDPoint::Length() const {
  // hypot without intermediate overflow: m * sqrt(1 + (n/m)^2)
  double ax = std::abs(x), ay = std::abs(y);
  double m = ax > ay ? ax : ay;
  double n = ax > ay ? ay : ax;
  if (m == 0.0) return 0.0;
  double r = n / m;
  return m * std::sqrt(1.0 + r * r);
}

double TDPoint::Distance(const TDPoint& p) const { return (p - *this).Length(); }

double TDPoint::DistanceToLine(const TDPoint& a, const TDPoint& b, TDPoint& closest) const {
  TDPoint d = b - a;
  double len = d.Length();
  if (std::abs(len) <= ZeroEps) {
    closest = a;
    return a.Distance(*this);
  }
  double t = (*this - a).Dot(d) / (len * len);
  if (t < 0) closest = a;
  else if (t > 1) closest = b;
  else closest = a + t * d;
  return closest.Distance(*this);
}

double TDPoint::AngleCos(const TDPoint& p) const {
  double den = Length() * p.Length();
  if (std::abs(den) <= ZeroEps) return 1.0;
  return Dot(p) / den;
}

bool TDPoint::IsInPoly(const TDPointList& poly, bool onVertex) const {
  const auto& pts = poly.Items();
  const std::size_t count = pts.size();
  if (count < 3) return false;
  if (onVertex) {
    for (const TDPoint& v : pts) {
      if (v == *this) return true;
    }
  }
  int w = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const TDPoint& a = pts[i];
    const TDPoint& b = pts[i + 1 < count ? i + 1 : 0];
    double c = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    if (a.y <= y) {
      if (b.y > y && c > 0) ++w;
    } else {
      if (b.y <= y && c < 0) --w;
    }
  }
  return w != 0;
}

bool TDPoint::IsOnLine(const TDPoint& a, const TDPoint& b) const {
  TDPoint u = b - a, v = *this - a;
  double dot = u.Dot(v);
  return std::abs(u.Cross(v)) <= GeomEps && dot >= 0 && dot <= u.Dot(u);
}

void TDPoint::Normalize() {
  double len = Length();
  if (len > GeomEps) {
    x /= len;
    y /= len;
  }
}

TDPoint TDPoint::Normalized() const {
  TDPoint p = *this;
  p.Normalize();
  return p;
}

// ---- Vertex list ----------------------------------------------------------------------

EListError::EListError(int index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")") {}

std::size_t TDPointList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return static_cast<std::size_t>(index);
}

void TDPointList::Insert(int index, const TDPoint& p) {
  if (index < 0 || index > Count()) throw EListError(index);
  FItems.insert(FItems.begin() + index, p);
}

void TDPointList::Delete(int index) { FItems.erase(FItems.begin() + static_cast<long>(CheckIndex(index))); }

void TDPointList::Assign(const TDPointList& other) {
  if (&other == this) return;
  FItems.clear();
  FItems.insert(FItems.end(), other.FItems.begin(), other.FItems.end());
}

double TDPointList::SignedArea() const {
  if (Count() < 3) return kNaN;
  std::vector<TDPoint> ring = FItems;
  if (ring.front().Distance(ring.back()) > GeomEps) ring.push_back(ring.front());
  const std::size_t n = ring.size();
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const TDPoint& pj = ring[i == 0 ? n - 1 : i - 1];
    const TDPoint& pi = ring[i];
    sum += (pj.x - pi.x) * (pj.y + pi.y);
  }
  return sum / 2;
}
