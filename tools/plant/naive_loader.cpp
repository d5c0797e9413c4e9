// The positive control of the planting tests: a program that loads libraries
// by bare name with the default search order, as a careless program would.
// Usage: naive_loader NAME.dll...; exits with the number that did not load.
#include <windows.h>

int main(int count, char** names)
{
    int missing = 0;
    for (int i = 1; i < count; ++i) {
        if (LoadLibraryA(names[i]) == nullptr) ++missing;
    }
    return missing;
}
