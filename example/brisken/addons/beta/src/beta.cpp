#include "beta.h"

#include <cmath>

std::string betaFormat(const std::string& greeting, const std::string& who)
{
    const double pi = std::acos(-1.0);
    return greeting + ", " + who + " (pi is " + std::to_string(pi) + ")";
}
