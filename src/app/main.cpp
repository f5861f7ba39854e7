#include "app/orvelleapplication.h"

int main(int argc, char** argv) {
    return OrvelleApplication::run(argc, argv);
}
