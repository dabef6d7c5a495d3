#include "gamma.h"

int gammaAnswer()
{
    return 42;
}
