#pragma once
#include <string>

// Greets through beta's formatter.
std::string alphaGreeting(const std::string& who);
