#pragma once

#include <QString>
#include <QtGlobal>

// The texts a row's Status shows while it is processed.

// done × 10000 / total rounded, in hundredths of a per cent, 0 to 9999; 0
// while the total is unknown (0), so that a reader without a length shows "00.00%".
int progressHundredths(qint64 done, qint64 total);

// Hundredths of a per cent as "NN.NN%": 734 -> "07.34%", 9999 -> "99.99%";
// values outside 0..9999 show as the nearest of the two.
QString hundredthsProgressText(int hundredths);

// The CD ripper's percentage: its integer part with at least two digits and
// at most two digits of its fraction: 7.5 -> "07.5%", 37.2547 -> "37.25%". A
// whole number keeps the shape with one fraction digit: 37 -> "37.0%".
QString ripProgressText(double percent);

// A track read but still being encoded: "» 80.00%", short enough for the
// Status column, the mark telling it from the read's percentage.
QString encodingProgressText(int hundredths);
// The same phase at length, for the Status tooltip: "Encoding 80.00%".
QString encodingProgressDetail(int hundredths);
