#pragma once

#include <QString>

// Every test process gets its own configuration, runtime and music folders,
// so that no test touches the user's settings or another test's files.
void setUpTestEnvironment();
// The project's source folder (for the skin and the manual).
QString testSourceDir();
