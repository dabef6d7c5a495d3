#pragma once

int gammaAnswer();
