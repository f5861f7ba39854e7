#pragma once

#include <QString>

// The program's version as it shows it ("2.00"), from the project's version
// in CMake, so the about box, the CDDB greeting and the application agree.
QString orvelleVersion();
