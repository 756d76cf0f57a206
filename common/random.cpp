#include "common/random.h"

namespace {
unsigned int state = 1;
}

void SeedRandom(unsigned int seed)
{
    state = seed;
}

int NextRandom()
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}
