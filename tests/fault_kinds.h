#pragma once

#include <cstdint>
#include <string>

#include "emulator/simulated_handset.h"

namespace tollhaven::testing {

// The ways the fault-injection suites make the simulated handset misbehave on one command.
enum class Fault { TimeOut, ErrorStatus, WrongSequence, TwoAnswers, Disconnect };
// Every one of them, for the suites' parameters.
inline constexpr Fault kEveryFault[] = {Fault::TimeOut, Fault::ErrorStatus, Fault::WrongSequence,
                                        Fault::TwoAnswers, Fault::Disconnect};

inline std::string Name(Fault fault) {
  switch (fault) {
    case Fault::TimeOut:
      return "TimeOut";
    case Fault::ErrorStatus:
      return "ErrorStatus";
    case Fault::WrongSequence:
      return "WrongSequence";
    case Fault::TwoAnswers:
      return "TwoAnswers";
    case Fault::Disconnect:
      return "Disconnect";
  }
  return "?";
}

// Arms a fault of the answer to the next command the handset receives. A disconnect is left to
// each suite: when it happens decides whether an answer stays queued.
inline void ArmAnswerFault(p2ksim::SimulatedHandset& sim, Fault fault) {
  constexpr uint8_t kGenericFailure = 7;
  switch (fault) {
    case Fault::TimeOut:
      sim.DropNextAnswer();
      break;
    case Fault::ErrorStatus:
      sim.FailNthCommand(1, kGenericFailure);
      break;
    case Fault::WrongSequence:
      sim.WrongSequenceOnNextAnswer();
      break;
    case Fault::TwoAnswers:
      sim.AnswerCountTwoOnNextAnswer();
      break;
    case Fault::Disconnect:
      break;
  }
}

}  // namespace tollhaven::testing
