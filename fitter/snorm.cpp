// Normal deviates (`snorm`, `gennor`): Ahrens and Dieter (1973), algorithm
// FL with 32 intervals, with its published tables, all arithmetic in single
// precision. Tables indexed from 1 (entry 0 unused).
#include "getdata.h"

namespace ptfit {

namespace {

// a(i) = inverse normal of 1/2 + (i-1)/64, i = 1..32
constexpr float kA[33] = {
    0.0f,      0.0f,      .3917609E-1f, .7841241E-1f, .1177699f, .1573107f,
    .1970991f, .2372021f, .2776904f,    .3186394f,    .3601299f, .4022501f,
    .4450965f, .4887764f, .5334097f,    .5791322f,    .6260990f, .6744898f,
    .7245144f, .7764218f, .8305109f,    .8871466f,    .9467818f, 1.009990f,
    1.077516f, 1.150349f, 1.229859f,    1.318011f,    1.417797f, 1.534121f,
    1.675940f, 1.862732f, 2.153875f};
// d(i): tail increments, i = 1..31
constexpr float kD[32] = {
    0.0f,      0.0f,      0.0f,      0.0f,      0.0f,      0.0f,      .2636843f,
    .2425085f, .2255674f, .2116342f, .1999243f, .1899108f, .1812252f, .1736014f,
    .1668419f, .1607967f, .1553497f, .1504094f, .1459026f, .1417700f, .1379632f,
    .1344418f, .1311722f, .1281260f, .1252791f, .1226109f, .1201036f, .1177417f,
    .1155119f, .1134023f, .1114027f, .1095039f};
// t(i): centre thresholds, i = 1..31
constexpr float kT[32] = {
    0.0f,         .7673828E-3f, .2306870E-2f, .3860618E-2f, .5438454E-2f,
    .7050699E-2f, .8708396E-2f, .1042357E-1f, .1220953E-1f, .1408125E-1f,
    .1605579E-1f, .1815290E-1f, .2039573E-1f, .2281177E-1f, .2543407E-1f,
    .2830296E-1f, .3146822E-1f, .3499233E-1f, .3895483E-1f, .4345878E-1f,
    .4864035E-1f, .5468334E-1f, .6184222E-1f, .7047983E-1f, .8113195E-1f,
    .9462444E-1f, .1123001f,    .1364980f,    .1716886f,    .2276241f,
    .3304980f,    .5847031f};
// h(i): centre scale factors, i = 1..31
constexpr float kH[32] = {
    0.0f,         .3920617E-1f, .3932705E-1f, .3950999E-1f, .3975703E-1f,
    .4007093E-1f, .4045533E-1f, .4091481E-1f, .4145507E-1f, .4208311E-1f,
    .4280748E-1f, .4363863E-1f, .4458932E-1f, .4567523E-1f, .4691571E-1f,
    .4833487E-1f, .4996298E-1f, .5183859E-1f, .5401138E-1f, .5654656E-1f,
    .5953130E-1f, .6308489E-1f, .6737503E-1f, .7264544E-1f, .7926471E-1f,
    .8781922E-1f, .9930398E-1f, .1155599f,    .1404344f,    .1836142f,
    .2790016f,    .7010474f};

float uniform(Rng& rng) { return static_cast<float>(random(rng)); }

// The magnitude of a deviate in the centre interval [a(i), a(i+1)), i =
// 1..31, for the fraction `ustar` of the first uniform deviate.
float centre(int i, float ustar, Rng& rng) {
  const float aa = kA[i];
  float w;
  for (;;) {
    if (ustar > kT[i]) {
      w = (ustar - kT[i]) * kH[i];
      break;
    }
    float u = uniform(rng);
    w = u * (kA[i + 1] - aa);
    float tt = (0.5f * w + aa) * w;
    bool restart = false;
    for (;;) {
      if (ustar > tt) break;
      u = uniform(rng);
      if (ustar < u) {
        ustar = uniform(rng);
        restart = true;
        break;
      }
      tt = u;
      ustar = uniform(rng);
    }
    if (!restart) break;
  }
  return aa + w;
}

// The magnitude of a deviate beyond a(32), for the scaled first deviate `u`
// (below 1), halving the remaining probability per interval.
// The table ends at d(31): a deviate of the far tail (u < 2^-25, or 0)
// stays in the last interval instead of reading past it.
float tail(float u, Rng& rng) {
  int i = 6;
  float aa = kA[32];
  for (;;) {
    u = u + u;
    if (u >= 1.0f) break;
    if (i == 31) {
      if (u == 0.0f) u = 1.0f;
      while (u < 1.0f) u = u + u;
      break;
    }
    aa = aa + kD[i];
    i = i + 1;
  }
  u = u - 1.0f;
  float w;
  for (;;) {
    w = u * kD[i];
    float tt = (0.5f * w + aa) * w;
    bool again = false;
    for (;;) {
      const float ustar = uniform(rng);
      if (ustar > tt) break;
      u = uniform(rng);
      if (ustar < u) {
        u = uniform(rng);
        again = true;
        break;
      }
      tt = u;
    }
    if (!again) break;
  }
  return aa + w;
}

}  // namespace

float snorm(Rng& rng) {
  float u = uniform(rng);
  const float s = u > 0.5f ? 1.0f : 0.0f;
  u = u + u - s;
  u = 32.0f * u;
  int i = static_cast<int>(u);
  if (i == 32) i = 31;
  const float y =
      i != 0 ? centre(i, u - static_cast<float>(i), rng) : tail(u, rng);
  return s == 1.0f ? -y : y;
}

float gennor(float av, float sd, Rng& rng) {
  const float x = snorm(rng);
  return av + sd * x;
}

}  // namespace ptfit
