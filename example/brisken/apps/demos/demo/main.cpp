#include <iostream>

#include "gamma.h"

int main()
{
    std::cout << "The answer is " << gammaAnswer() << '\n';
    return 0;
}
