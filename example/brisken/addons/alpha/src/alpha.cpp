#include "alpha.h"

#include "beta.h"

std::string alphaGreeting(const std::string& who)
{
    return betaFormat("Hello", who);
}
