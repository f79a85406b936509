#pragma once
#include <string>
#include <vector>

// Exit status: 0 played, 1 the card could not be reached or refused, 2 usage or bad input.
int sendCommand(const std::vector<std::string>& args);
