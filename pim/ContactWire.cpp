#include "pim/ContactWire.h"

#include "common/TextConv.h"
#include "common/TimeFormat.h"
#include "devlink/FieldReader.h"

namespace zorvik {
namespace {

// A card single item: present flag, then row id, kind (unused) and text. extraText stays UTF-8:
// nothing shows it and it goes back to the phone as loaded, which a round trip through GBK would
// not guarantee.
void readSingle(FieldReader& reader, ContactSingle& single, bool keepUtf8) {
  if (reader.readInt32() != 1) return;
  const int64_t rowId = reader.readInt64();
  reader.readInt32();
  std::string utf8 = reader.readUtf8Text();
  if (!reader.ok()) return;
  single.present = true;
  single.rowId = static_cast<int32_t>(rowId);
  if (keepUtf8) {
    single.value = std::move(utf8);
  } else {
    single.value = toAnsi(utf8);
    single.utf8 = std::move(utf8);
  }
  single.operation = kOpUnchanged;
}

void readItemList(FieldReader& reader, std::vector<ContactItem>& items) {
  const int32_t count = reader.readInt32();
  for (int32_t i = 0; i < count && reader.ok(); ++i) {
    ContactItem item;
    item.rowId = static_cast<int32_t>(reader.readInt64());
    item.kind = reader.readInt32();
    item.utf8 = reader.readUtf8Text();
    if (!reader.ok()) break;
    item.value = toAnsi(item.utf8);
    items.push_back(std::move(item));
  }
}

// A loaded text the user did not replace goes back as the phone's bytes, not as its GBK copy.
AgentArgs& appendText(AgentArgs& args, const std::string& ansi, const std::string& utf8) {
  return utf8.empty() ? args.text(ansi) : args.utf8Text(utf8);
}

void appendSingle(AgentArgs& args, const ContactSingle& single, bool withOperation) {
  if (!single.present) {
    args.int32(0);
    return;
  }
  args.int32(1);
  if (withOperation) {
    args.int64(single.rowId).int32(single.operation).int32(0);
  } else {
    args.int64(0).int32(0);
  }
  appendText(args, single.value, single.utf8);
}

void appendList(AgentArgs& args, const std::vector<ContactItem>& items, bool withOperation) {
  args.int32(static_cast<int32_t>(items.size()));
  for (const ContactItem& item : items) {
    if (withOperation) {
      args.int64(item.rowId).int32(item.operation);
    } else {
      args.int64(0);
    }
    appendText(args.int32(item.kind), item.value, item.utf8);
  }
}

void appendCardBody(AgentArgs& args, const ContactCard& card, bool withOperation) {
  for (const ContactSingle* single : {&card.displayName, &card.nickname, &card.notes})
    appendSingle(args, *single, withOperation);
  for (const auto* list : {&card.phones, &card.groups, &card.emails, &card.ims, &card.webPages, &card.addresses,
                           &card.organizations})
    appendList(args, *list, withOperation);
}

}  // namespace

WireList<ContactRecord> parseContactList(const unsigned char* body, size_t length) {
  return readAgentList<ContactRecord>(body, length, [](FieldReader& reader, ContactRecord& record) {
    record.contactId = static_cast<int32_t>(reader.readInt64());
    record.secondId = static_cast<int32_t>(reader.readInt64());
    auto name = reader.readListTextOrEnd();
    if (!name) return false;
    record.name = std::move(*name);
    record.starred = reader.readInt32() == 1 ? 1 : 0;
    record.numberText = reader.readText();
    record.lastContactText = formatPhoneTime(reader.readInt64(), "N/A");
    reader.readInt32();
    if (reader.readInt32() == 1) {
      const int64_t photoLength = reader.readInt64();
      if (photoLength < 0 || static_cast<uint64_t>(photoLength) > reader.remaining()) {
        reader.fail();
      } else if (static_cast<size_t>(photoLength) <= kMaxContactPhoto) {
        reader.read(static_cast<size_t>(photoLength), record.photo);
      } else {
        reader.skip(static_cast<size_t>(photoLength));
      }
    }
    return reader.ok();
  });
}

bool parseContactCard(const unsigned char* body, size_t length, ContactCard& card) {
  FieldReader reader(body, length);
  while (reader.hasMoreRecords()) {
    reader.readInt64();
    const int32_t starred = reader.readInt32();
    const int64_t lastContact = reader.readInt64();
    const int64_t timesContacted = reader.readInt64();
    if (!reader.ok()) break;
    card.starred = starred == 1;
    card.lastContactText = formatPhoneTime(lastContact, "N/A");
    card.timesContacted = static_cast<int32_t>(timesContacted);
    if (reader.readInt32() == 1) {
      reader.readInt64();
      const int32_t photoLength = reader.readInt32();
      if (photoLength < 0) reader.fail();
      reader.skip(static_cast<size_t>(photoLength));
    }
    readSingle(reader, card.extraText, true);
    for (ContactSingle* single : {&card.displayName, &card.nickname, &card.notes}) readSingle(reader, *single, false);
    for (auto* list : {&card.phones, &card.groups, &card.emails, &card.ims, &card.webPages, &card.addresses,
                       &card.organizations})
      readItemList(reader, *list);
  }
  return reader.ok();
}

Bytes contactDetailsRequest(int32_t contactId) {
  return framedRequest(AgentCommand::ContactDetails, AgentArgs().int32(1).int32(contactId));
}

Bytes addContactRequest(const ContactCard& card) {
  AgentArgs args;
  args.int32(1).int32(card.starred ? 1 : 0).int32(0);  // the editor never sets extraText
  appendCardBody(args, card, false);
  return framedRequest(AgentCommand::AddContact, args);
}

Bytes updateContactRequest(int32_t contactId, const ContactCard& card) {
  AgentArgs args;
  args.int32(1).int32(contactId).int32(card.starred ? 1 : 0);
  if (card.extraText.present) {
    args.int32(1).utf8Text(card.extraText.value);
  } else {
    args.int32(0);
  }
  appendCardBody(args, card, true);
  return framedRequest(AgentCommand::UpdateContact, args);
}

Bytes deleteContactsRequest(const std::vector<int32_t>& contactIds) {
  return idListRequest(AgentCommand::DeleteContacts, contactIds);
}

}  // namespace zorvik
