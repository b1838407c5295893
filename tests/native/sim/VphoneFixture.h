#pragma once
// Shared set-up for the virtual phone's tests: the generated data set, an agent reply walked by
// the owning layouts, and an in-process server on free ports.
#include "devlink/AgentRequest.h"
#include "devlink/ByteOrder.h"
#include "devlink/FieldReader.h"
#include "sim/AgentService.h"
#include "sim/PhoneState.h"
#include "sim/VirtualPhone.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace zorvik::sim::test {

inline const PhoneState& dataSet() {
  static PhoneState state = [] {
    PhoneState s;
    std::string error;
    if (!loadPhoneState(ZORVIK_VPHONE_DATA, s, error)) ADD_FAILURE() << error;
    return s;
  }();
  return state;
}

// One agent exchange without sockets: the reply bytes for a request.
inline std::string ask(PhoneState& phone, const Bytes& request, int32_t version = 21) {
  const RequestFrame frame = frameAgentRequest(request.data(), request.size());
  EXPECT_EQ(frame.status, FrameStatus::Complete);
  EXPECT_EQ(frame.size, request.size());
  return answerAgentRequest(phone, request.data(), request.size(), version);
}

inline int32_t statusOf(const std::string& reply) {
  EXPECT_EQ(reply.size(), 4u);
  return reply.size() == 4 ? getInt32(reinterpret_cast<const unsigned char*>(reply.data())) : -999;
}

// The body of a length-prefixed reply; fails the test when the length word disagrees.
inline std::string bodyOf(const std::string& reply) {
  if (reply.size() < 4) {
    ADD_FAILURE() << "reply shorter than its length word";
    return {};
  }
  const int32_t length = getInt32(reinterpret_cast<const unsigned char*>(reply.data()));
  EXPECT_EQ(static_cast<size_t>(length), reply.size() - 4) << "length word";
  return reply.substr(4);
}

// Bodies handed to readerOf stay alive until the test ends (a FieldReader only borrows them).
inline std::deque<std::string>& keptBodies() {
  static std::deque<std::string> bodies;
  return bodies;
}
inline FieldReader readerOf(std::string body) {
  keptBodies().push_back(std::move(body));
  const std::string& kept = keptBodies().back();
  return FieldReader(reinterpret_cast<const unsigned char*>(kept.data()), kept.size());
}

inline Bytes bare(AgentCommand c) { return bareRequest(c); }

}  // namespace zorvik::sim::test
