// Random numbers, floor, number text and colours: the helpers whose exact
// results the game's behaviour depends on.
#pragma once
#include <cstdint>
#include <string>

// ---- random generator
void Randomize();                 // seed = the platform's millisecond tick count
void SetRandomSeed(uint32_t seed);
uint32_t RandomSeed();
int32_t Rand15();                 // 0..32767, advances the seed
double Rnd();                     // [0, 1), a multiple of 0.00001

// ---- numbers
int32_t Int(double x);            // floor, saturated to the 32-bit range
int32_t ToInt32(double x);        // nearest, ties to even: a real passed as an integer
double Abs(double x);
int32_t Sgn(double x);
double Sqr(double x);             // Heron's method; 0 for x <= 0
double Pow(double x, double y);
uint32_t RGB(int32_t r, int32_t g, int32_t b);

// ---- text
std::string Str(double x);
uint32_t Val(const std::string& text);
std::string Hex(uint32_t value);
std::string Left(const std::string& text, int32_t count);
std::string Right(const std::string& text, int32_t count);
std::string CharText(int32_t code);
std::string RepeatText(int32_t count, const std::string& text);
