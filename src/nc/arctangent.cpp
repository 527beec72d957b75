#include "nc/arctangent.h"

#include <bit>
#include <cstdint>

namespace {

// atan(1/2), atan(1), atan(3/2), atan(inf) = pi/2, each as a high part and the small rest.
constexpr double kAtanHigh[] = {
    4.63647609000806093515e-01,  // 0x3FDDAC670561BB4F
    7.85398163397448278999e-01,  // 0x3FE921FB54442D18
    9.82793723247329054082e-01,  // 0x3FEF730BD281F69B
    1.57079632679489655800e+00,  // 0x3FF921FB54442D18
};
constexpr double kAtanLow[] = {
    2.26987774529616870924e-17,  // 0x3C7A2B7F222F65E2
    3.06161699786838301793e-17,  // 0x3C81A62633145C07
    1.39033110312309984516e-17,  // 0x3C7007887AF0CBBD
    6.12323399573676603587e-17,  // 0x3C91A62633145C07
};

// Coefficients of the odd polynomial t - t^3 (c0 + c1 t^2 + ... + c10 t^20) for |t| < 7/16,
// a minimax fit whose error stays below 2^-57 relative.
constexpr double kCoefficient[] = {
    3.33333333333329318027e-01,   // 0x3FD555555555550D
    -1.99999999998764832476e-01,  // 0xBFC999999998EBC4
    1.42857142725034663711e-01,   // 0x3FC24924920083FF
    -1.11111104054623557880e-01,  // 0xBFBC71C6FE231671
    9.09088713343650656196e-02,   // 0x3FB745CDC54C206E
    -7.69187620504482999495e-02,  // 0xBFB3B0F2AF749A6D
    6.66107313738753120669e-02,   // 0x3FB10D66A0D03D51
    -5.83357013379057348645e-02,  // 0xBFADDE2D52DEFD9A
    4.97687799461593236017e-02,   // 0x3FA97B4B24760DEB
    -3.65315727442169155270e-02,  // 0xBFA2B4442C6A6C2F
    1.62858201153657823623e-02,   // 0x3F90AD3AE322DA11
};

}  // namespace

double PortableAtan(double x) {
  if (x != x) return x;  // NaN
  uint64_t bits = std::bit_cast<uint64_t>(x);
  bool negative = (bits >> 63) != 0;
  auto high = static_cast<uint32_t>(bits >> 32) & 0x7FFFFFFFu;  // exponent and top of |x|

  if (high >= 0x44100000u) {  // |x| >= 2^66: atan is pi/2 to the last bit
    double a = kAtanHigh[3] + kAtanLow[3];
    return negative ? -a : a;
  }

  // Reduce |x| to t with |t| < 7/16 so that atan(x) = atan(c) + atan(t) for a known c.
  int reference = -1;
  double t = x;
  if (high < 0x3FDC0000u) {          // |x| < 7/16: no reduction
    if (high < 0x3E400000u) return x;  // |x| < 2^-27: atan(x) rounds to x
  } else {
    double a = negative ? -x : x;
    if (high < 0x3FF30000u) {      // |x| < 19/16
      if (high < 0x3FE60000u) {    // 7/16 <= |x| < 11/16: around 1/2
        reference = 0;
        t = (2.0 * a - 1.0) / (2.0 + a);
      } else {                     // 11/16 <= |x| < 19/16: around 1
        reference = 1;
        t = (a - 1.0) / (a + 1.0);
      }
    } else if (high < 0x40038000u) {  // 19/16 <= |x| < 39/16: around 3/2
      reference = 2;
      t = (a - 1.5) / (1.0 + 1.5 * a);
    } else {                          // |x| >= 39/16: atan(x) = pi/2 - atan(1/x)
      reference = 3;
      t = -1.0 / a;
    }
  }

  // The polynomial, split into even and odd powers of t^4 to shorten the dependency chain.
  const double* c = kCoefficient;
  double z = t * t;
  double w = z * z;
  double even = z * (c[0] + w * (c[2] + w * (c[4] + w * (c[6] + w * (c[8] + w * c[10])))));
  double odd = w * (c[1] + w * (c[3] + w * (c[5] + w * (c[7] + w * c[9]))));
  if (reference < 0) return t - t * (even + odd);
  double result = kAtanHigh[reference] - ((t * (even + odd) - kAtanLow[reference]) - t);
  return negative ? -result : result;
}
