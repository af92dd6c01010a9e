#pragma once

#include "appkit/Receiver.h"

#include <memory>
#include <string>
#include <vector>

// The first program's root object in the connection tests: it answers
// "openFiles:" (an array of paths, added to `opened`; the answer is how many
// were opened so far) and "echo:" (the arguments themselves). Made apart
// from the tests that run the application, whose clock's Date meets the
// value classes' Date.
std::unique_ptr<kit::Receiver> makeFileOpener(std::vector<std::string>& opened);

// The bytes of a request frame ("echo:" with one string), and whether bytes
// read back begin with a whole reply frame.
std::string echoRequestFrame();
bool isWholeReply(const std::string& bytes);
