#ifndef VELTOCD_COMMON_RANDOM_H
#define VELTOCD_COMMON_RANDOM_H

// The program's pseudo-random generator, a 32-bit linear congruential generator. The shuffle
// and the animation depend on its exact sequence; the program keeps one and lends it out.
class Random {
public:
    explicit Random(unsigned int seed = 1) : state_(seed) {}

    void SeedRandom(unsigned int seed) { state_ = seed; }
    int NextRandom()  // 0..32767
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    unsigned int state_;
};

#endif
