#pragma once
#include <string>

// The baud-rate index of a combo text such as "3|38400": the number in front
// of the bar; 0 without a bar, with the bar first, or without digits. A
// number that does not fit an int gives 0.
int BaudRateIndex(const std::string& text);
