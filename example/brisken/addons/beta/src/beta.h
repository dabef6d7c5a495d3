#pragma once
#include <string>

std::string betaFormat(const std::string& greeting, const std::string& who);
