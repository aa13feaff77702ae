#pragma once
// The simulator's answers: one handler per command word, taking the session
// and the text after the word's blank, giving the reply's payload bytes.
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace sim {

class SimSession;

using CommandHandler = std::function<std::vector<unsigned char>(SimSession&, const std::string& arguments)>;

const std::map<std::string, CommandHandler>& CommandTable();

// A text payload: the characters and their NUL.
std::vector<unsigned char> TextPayload(const std::string& text);

}  // namespace sim
