#pragma once
// The plugin's units, numbers and 2-D geometry kernel: lengths in three units, numbers read
// and written independently of the process locale, the point value, the vertex list, the
// mask side and the geometric tolerances every test of the plugin uses.
#include <array>
#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// ---- Units ----------------------------------------------------------------------------
// Unit index: the position in the window's units list.
enum : int { UnitInch = 0, UnitMil = 1, UnitMm = 2 };
inline constexpr int UnitCount = 3;
// "inch", "mil", "mm" by unit index; empty for an index out of range.
std::string_view UnitText(int unit);

// Value converted from one unit to another; NaN when either unit is out of range.
double ConvertUnits(int fromUnit, int toUnit, double value);

// ---- Numbers --------------------------------------------------------------------------
// A plain decimal number written with '.' or ',' as its separator; NaN for anything else
// (empty text, two separators, "inf", "nan", hex floats, overflow, garbage around it).
double ParseNumber(std::string_view text);

// The writing form: general format with up to 15 significant digits, '.' as separator,
// no thousands separators. Every number written into the document has this form.
std::string FormatNumber(double value);
// The same into a buffer of the caller, without allocation; returns the text's length.
constexpr std::size_t NumberTextSize = 32;
std::size_t FormatNumberTo(double value, char (&text)[NumberTextSize]);
// The edit form: the writing form with '.' replaced by ','.
std::string FormatNumberEdit(double value);
// The locale form with comma: the general format of the user's locale (whose decimal
// separator is given), then every '.' replaced by ','.
std::string FormatNumberLocale(double value, char localeDecimalSeparator);

// ---- Settings -------------------------------------------------------------------------
class TSettings {
 public:
  TSettings();
  // Default line width per layer name, in document units.
  std::map<std::string, double>& DefaultLineWidth() { return FDefLW; }
  const std::map<std::string, double>& DefaultLineWidth() const { return FDefLW; }
  // Decimals per unit index (4 inch, 2 mil, 4 mm); 0 for an index out of range.
  int GetPrecision(int index) const;
  // Stores the entry; an index out of range is ignored.
  void SetPrecision(int index, int value);

 private:
  std::map<std::string, double> FDefLW;
  std::array<int, UnitCount> FPrecision;
};

// ---- Tolerances -----------------------------------------------------------------------
// Set in millimetres at start and rescaled once into the document's unit by the reader.
extern double GeomEps;      // point equality, zero tests, de-duplication, closing rings
extern double OffsetSlack;  // clearance slack and probe distance of the shrink clean-up
extern double ProbeStep;    // inside/outside probe, merge distance, acceptance band
inline constexpr double GeomEpsMm = 1e-6;
inline constexpr double OffsetSlackMm = 1.0 / 300.0;
inline constexpr double ProbeStepMm = 1.0 / 3000.0;
// Fixed zero threshold, never rescaled.
inline constexpr double ZeroEps = 1e-12;
// Sets the three tolerances to their millimetre values.
void ResetTolerances();
// Converts the three tolerances from millimetres into the given unit, in place.
void RescaleTolerances(int documentUnit);

// ---- Points ---------------------------------------------------------------------------
class TDPointList;

struct TDPoint {
  double x = 0.0;
  double y = 0.0;

  static TDPoint Create(double x, double y) { return TDPoint{x, y}; }
  static TDPoint Create(const TDPoint& p) { return p; }

  void Offset(double dx, double dy) {
    x += dx;
    y += dy;
  }
  double Dot(const TDPoint& p) const { return x * p.x + y * p.y; }
  // Positive when p lies counter-clockwise from this vector.
  double Cross(const TDPoint& p) const { return x * p.y - y * p.x; }
  TDPoint MidPoint(const TDPoint& p) const;
  double Length() const;
  double Distance(const TDPoint& p) const;
  // Distance to the segment a-b; the nearest point of the segment goes to closest.
  double DistanceToLine(const TDPoint& a, const TDPoint& b, TDPoint& closest) const;
  double AngleCos(const TDPoint& p) const;
  // Winding-number test against the closed ring poly.
  bool IsInPoly(const TDPointList& poly, bool onVertex) const;
  bool IsOnLine(const TDPoint& a, const TDPoint& b) const;
  // Scales to unit length when longer than GeomEps; shorter vectors stay as they are.
  void Normalize();
  TDPoint Normalized() const;
};
static_assert(sizeof(TDPoint) == 16);

inline TDPoint operator+(const TDPoint& a, const TDPoint& b) { return {a.x + b.x, a.y + b.y}; }
inline TDPoint operator-(const TDPoint& a, const TDPoint& b) { return {a.x - b.x, a.y - b.y}; }
inline TDPoint operator*(const TDPoint& p, double s) { return {p.x * s, p.y * s}; }
inline TDPoint operator*(double s, const TDPoint& p) { return {p.x * s, p.y * s}; }
inline TDPoint operator/(const TDPoint& p, double s) { return {p.x / s, p.y / s}; }
// Equality within GeomEps on each axis (a square window, not a distance).
bool operator==(const TDPoint& a, const TDPoint& b);
bool operator!=(const TDPoint& a, const TDPoint& b);

// The list's range error, raised by checked indexing.
class EListError : public std::out_of_range {
 public:
  explicit EListError(int index);
};

// Ordered, growable vertex list with value semantics and checked indexing.
class TDPointList {
 public:
  TDPointList() = default;
  TDPointList(std::initializer_list<TDPoint> points) : FItems(points) {}

  int Count() const { return static_cast<int>(FItems.size()); }
  int Add(const TDPoint& p) {
    FItems.push_back(p);
    return Count() - 1;
  }
  void Insert(int index, const TDPoint& p);
  void Delete(int index);
  void Clear() { FItems.clear(); }
  int Capacity() const { return static_cast<int>(FItems.capacity()); }
  void SetCapacity(int capacity) { FItems.reserve(static_cast<std::size_t>(capacity)); }

  const TDPoint& operator[](int index) const { return FItems[CheckIndex(index)]; }
  TDPoint& operator[](int index) { return FItems[CheckIndex(index)]; }
  const TDPoint& First() const { return (*this)[0]; }
  const TDPoint& Last() const { return (*this)[Count() - 1]; }

  // Clears the list, then appends every point of other in order.
  void Assign(const TDPointList& other);
  // Signed area of the polygon; positive counter-clockwise; NaN below 3 points.
  double SignedArea() const;

  // Unchecked access for hot loops and range-for.
  const std::vector<TDPoint>& Items() const { return FItems; }
  std::vector<TDPoint>& Items() { return FItems; }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  std::size_t CheckIndex(int index) const;
  std::vector<TDPoint> FItems;
};

// The solder-mask side of a shape.
enum class TSolderMaskLayer { smlNone = 0, smlTop = 1, smlBottom = 2 };
