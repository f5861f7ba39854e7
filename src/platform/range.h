#pragma once

// The one range check of stored and typed values: `value` when it lies in
// low..high, else `fallback`. A setting outside its list or range is read
// as its default, never clamped to a neighbour the user did not choose.
constexpr int inRangeOr(int value, int low, int high, int fallback) {
    return value >= low && value <= high ? value : fallback;
}
