// Start-up failures that end the program.
#pragma once

#include <string>

// Shows text in a box titled "ERROR" with an OK button only and no icon, and
// ends the program once it is dismissed. No shutdown step runs.
[[noreturn]] void fatalMessage(const std::string& text);

// Failures raised inside a start-up step after the device checks; the load
// handler passes over them and goes on with the next step.
struct ProgramError {
    int number;
    const char* description;
};
