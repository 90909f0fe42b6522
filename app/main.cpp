#include <cstdio>

#include "support/environment.h"

int main() {
    std::printf("%s\n", tintext::ApplicationTitle().c_str());
    return 0;
}
