// Writes the contact card of every contact of a virtual-phone data set, as the contacts page
// builds it: the phone's 870101 and 870102 replies, read by the page's own parsers and turned into
// HTML by its own builder. The page-render check (app/html/render_samples.py) fills page 680 with
// these cards. Output: one GBK fragment per contact, card-<contactId>.html, in the given folder.
//
//   contact_card_samples <phone.json> <output folder>
#include "devlink/AgentCommand.h"
#include "devlink/AgentRequest.h"
#include "devlink/ByteOrder.h"
#include "pim/ContactCardHtml.h"
#include "pim/ContactWire.h"
#include "sim/AgentService.h"
#include "sim/PhoneState.h"
#include "support/SimAsk.h"

#include <cstdio>
#include <fstream>
#include <string>


int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: contact_card_samples <phone.json> <output folder>\n");
    return 2;
  }
  zorvik::sim::PhoneState phone;
  std::string error;
  if (!zorvik::sim::loadPhoneState(argv[1], phone, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::string body;
  if (!zorvik::test::askSim(phone, zorvik::bareRequest(zorvik::AgentCommand::ListContacts), body)) {
    std::fprintf(stderr, "the contact list reply is malformed\n");
    return 1;
  }
  const zorvik::WireList<zorvik::ContactRecord> list =
      zorvik::parseContactList(reinterpret_cast<const unsigned char*>(body.data()), body.size());
  if (list.malformed || list.records.empty()) {
    std::fprintf(stderr, "the contact list holds no contacts\n");
    return 1;
  }
  for (const zorvik::ContactRecord& record : list.records) {
    if (!zorvik::test::askSim(phone, zorvik::contactDetailsRequest(record.contactId), body)) {
      std::fprintf(stderr, "contact %d: malformed card reply\n", record.contactId);
      return 1;
    }
    zorvik::ContactCard card;
    if (!zorvik::parseContactCard(reinterpret_cast<const unsigned char*>(body.data()), body.size(), card)) {
      std::fprintf(stderr, "contact %d: the card ran past its reply\n", record.contactId);
      return 1;
    }
    const std::string path = std::string(argv[2]) + "/card-" + std::to_string(record.contactId) + ".html";
    std::ofstream out(path, std::ios::binary);
    out << zorvik::buildContactCardHtml(card);
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  std::printf("%zu cards\n", list.records.size());
  return 0;
}
