#ifndef VELTOCD_COMMON_RANDOM_H
#define VELTOCD_COMMON_RANDOM_H

// The program's one pseudo-random generator, a 32-bit linear congruential generator.
// The shuffle and the animation depend on its exact sequence.
void SeedRandom(unsigned int seed);
int NextRandom();  // 0..32767

#endif
