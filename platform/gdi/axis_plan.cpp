#include "platform/gdi/axis_plan.h"

#include <algorithm>

namespace veltrano::gdi::detail {

namespace {

// Source index (normalised: 0 = lowest source coordinate) under the centre
// of destination pixel j: floor((2j + 1) * S / 2D).
int64_t Centre(int64_t j, int64_t s, int64_t d) {
  return ((2 * j + 1) * s) / (2 * d);
}

void AddBoxTaps(int64_t j, int64_t s, int64_t d, int64_t inLo, int64_t inHi,
                std::vector<int64_t>& idx, std::vector<uint32_t>& w) {
  int64_t first = std::max((j * s) / d, inLo);
  int64_t last = std::min(((j + 1) * s - 1) / d, inHi - 1);
  uint64_t total = 0;
  for (int64_t i = first; i <= last; ++i) {
    int64_t overlap = std::min((i + 1) * d, (j + 1) * s) - std::max(i * d, j * s);
    if (overlap <= 0) continue;
    idx.push_back(i);
    w.push_back(static_cast<uint32_t>(overlap));
    total += static_cast<uint64_t>(overlap);
  }
  if (idx.empty()) {
    idx.push_back(std::clamp(Centre(j, s, d), inLo, inHi - 1));
    w.push_back(kWeightOne);
    return;
  }
  // Cumulative rounding: every partial sum of the weights is the exact one
  // rounded, so long runs of taps add no drift.
  uint64_t cumulative = 0;
  uint32_t given = 0;
  for (uint32_t& weight : w) {
    cumulative += weight;
    const uint32_t upTo = static_cast<uint32_t>((cumulative * kWeightOne + total / 2) / total);
    weight = upTo - given;
    given = upTo;
  }
}

void AddBilinearTaps(int64_t j, int64_t s, int64_t d, int64_t inLo, int64_t inHi,
                     std::vector<int64_t>& idx, std::vector<uint32_t>& w) {
  // Position of the pixel centre in source pixels, minus one half, in
  // units of 1 / kWeightOne, without overflowing: q + r / 2d.
  int64_t num = (2 * j + 1) * s;
  int64_t q = num / (2 * d);
  int64_t r = num % (2 * d);
  int64_t fixed = q * kWeightOne + (r * kWeightOne) / (2 * d) - kWeightOne / 2;
  if (fixed < 0) fixed = 0;
  int64_t i0 = fixed / kWeightOne;
  uint32_t frac = static_cast<uint32_t>(fixed % kWeightOne);
  int64_t i1 = std::clamp(i0 + 1, inLo, inHi - 1);
  i0 = std::clamp(i0, inLo, inHi - 1);
  if (i0 == i1 || frac == 0) {
    idx.push_back(i0);
    w.push_back(kWeightOne);
    return;
  }
  idx.push_back(i0);
  w.push_back(kWeightOne - frac);
  idx.push_back(i1);
  w.push_back(frac);
}

}  // namespace

bool PlanAxis(int64_t destOrigin, int64_t destExtent, int64_t destLow, int64_t destHigh,
              int64_t srcOrigin, int64_t srcExtent, int64_t srcLimit, AxisFilter filter,
              AxisPlan* plan) {
  *plan = AxisPlan{};
  if (destExtent == 0 || srcExtent == 0 || destHigh <= destLow || srcLimit <= 0) return false;
  const bool destReversed = destExtent < 0;
  const bool srcReversed = srcExtent < 0;
  const int64_t d = destReversed ? -destExtent : destExtent;
  const int64_t s = srcReversed ? -srcExtent : srcExtent;
  const int64_t firstDest = destReversed ? destOrigin + destExtent + 1 : destOrigin;
  const int64_t srcLow = srcReversed ? srcOrigin + srcExtent + 1 : srcOrigin;
  const bool flip = destReversed != srcReversed;
  auto absolute = [&](int64_t i) { return srcLow + (flip ? s - 1 - i : i); };

  // Normalised source indices that lie inside the source bitmap.
  int64_t inLo = flip ? s - srcLimit + srcLow : -srcLow;
  int64_t inHi = flip ? s + srcLow : srcLimit - srcLow;
  inLo = std::max<int64_t>(inLo, 0);
  inHi = std::min(inHi, s);
  if (inLo >= inHi) return false;

  // Destination pixels inside the destination bitmap whose centre sample is
  // inside the source. The centre is monotonic in j, so they are one run.
  int64_t jLo = std::max<int64_t>(0, destLow - firstDest);
  int64_t jHi = std::min(d, destHigh - firstDest);
  if (s == d) {
    // Pixel j samples source index j.
    jLo = std::max(jLo, inLo);
    jHi = std::min(jHi, inHi);
  }
  while (jLo < jHi && Centre(jLo, s, d) < inLo) ++jLo;
  while (jHi > jLo && Centre(jHi - 1, s, d) >= inHi) --jHi;
  if (jLo >= jHi) return false;

  plan->destBegin = static_cast<int>(firstDest + jLo);
  plan->count = static_cast<int>(jHi - jLo);
  plan->unscaled = s == d;
  plan->reversed = flip;
  plan->srcFirst = static_cast<int>(absolute(jLo));
  plan->tapStart.reserve(static_cast<size_t>(plan->count) + 1);

  if (s == d) {
    // Unscaled: one tap of full weight per pixel, the source walked one
    // pixel at a time in either direction.
    const size_t n = static_cast<size_t>(plan->count);
    plan->tapStart.resize(n + 1);
    plan->tapIndex.resize(n);
    plan->tapWeight.assign(n, kWeightOne);
    const int32_t first = plan->srcFirst;
    const int32_t step = flip ? -1 : 1;
    for (size_t k = 0; k < n; ++k) {
      plan->tapStart[k] = static_cast<int32_t>(k);
      plan->tapIndex[k] = first + step * static_cast<int32_t>(k);
    }
    plan->tapStart[n] = static_cast<int32_t>(n);
    plan->maxTaps = 1;
    const int32_t last = plan->tapIndex[n - 1];
    plan->srcMin = std::min(first, last);
    plan->srcMax = std::max(first, last);
    return true;
  }

  std::vector<int64_t> idx;
  std::vector<uint32_t> w;
  int64_t srcMin = INT64_MAX, srcMax = INT64_MIN;
  for (int64_t j = jLo; j < jHi; ++j) {
    idx.clear();
    w.clear();
    if (s == d || filter == AxisFilter::kNearest || (filter == AxisFilter::kCombine && s < d)) {
      idx.push_back(Centre(j, s, d));
      w.push_back(kWeightOne);
    } else if (filter == AxisFilter::kCombine) {
      int64_t first = std::max((j * s) / d, inLo);
      int64_t end = std::min(((j + 1) * s) / d, inHi);
      for (int64_t i = first; i < end; ++i) idx.push_back(i);
      if (idx.empty()) idx.push_back(std::clamp(Centre(j, s, d), inLo, inHi - 1));
      w.assign(idx.size(), kWeightOne);
    } else if (s > d) {
      AddBoxTaps(j, s, d, inLo, inHi, idx, w);
    } else {
      AddBilinearTaps(j, s, d, inLo, inHi, idx, w);
    }
    plan->tapStart.push_back(static_cast<int32_t>(plan->tapIndex.size()));
    for (size_t k = 0; k < idx.size(); ++k) {
      int64_t a = absolute(idx[k]);
      srcMin = std::min(srcMin, a);
      srcMax = std::max(srcMax, a);
      plan->tapIndex.push_back(static_cast<int32_t>(a));
      plan->tapWeight.push_back(w[k]);
    }
    plan->maxTaps = std::max(plan->maxTaps, static_cast<int>(idx.size()));
  }
  plan->tapStart.push_back(static_cast<int32_t>(plan->tapIndex.size()));
  plan->srcMin = static_cast<int>(srcMin);
  plan->srcMax = static_cast<int>(srcMax);
  return true;
}

}  // namespace veltrano::gdi::detail
