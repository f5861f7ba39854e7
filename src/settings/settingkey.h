#pragma once

// A settings key with its default beside it, so that each is written once.
struct IntKey {
    const char* section;
    const char* name;
    int defaultValue;
};

struct BoolKey {
    const char* section;
    const char* name;
    bool defaultValue;
};

struct TextKey {
    const char* section;
    const char* name;
    const char* defaultValue;
};
