// Demonstration placeholder (replaced by the full example program).
#include <vesk/vesk.h>

#include <cstdio>

int main() {
    std::puts("vesk demo");
    return 0;
}
