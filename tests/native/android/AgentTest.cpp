// The JNI agent on the harness JVM answers every served command with the bytes vphone answers for
// the same data, refuses what the phone refuses, survives providers that fail, and changes
// nothing when a change fails.
#include "Harness.h"
#include "Jvm.h"
#include "LocalRefs.h"

#include "devlink/AgentCommand.h"
#include "phone/ReplyWriter.h"
#include "devlink/AdbFraming.h"
#include "devlink/TcpSocket.h"
#include "phone/android/AgentEntry.h"
#include "sim/VirtualPhone.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zorvik::test {
namespace {

using C = AgentCommand;
constexpr int32_t code(C c) { return commandCode(c); }

std::string refused(AgentRefusal why) { return phone::refusedReply(why); }

class JniAgent : public ::testing::Test {
 protected:
  void SetUp() override {
    h.loadFakes();
    clearJvmMessages();
  }
  // -Xcheck:jni saw no misuse (a call with an exception pending, a bad reference).
  void TearDown() override { EXPECT_EQ(jvmMessages().find("WARNING"), std::string::npos) << jvmMessages(); }
  Harness h;

  // Every read the pages make, on both agents.
  void expectSameReads(const char* when) {
    SCOPED_TRACE(when);
    for (C c : {C::PhoneInfo, C::SystemInfo, C::ListContacts, C::ListPickerGroups, C::ListGroups, C::ListPickerContacts,
                C::ListConversations, C::ListCalls, C::ListApplications, C::ListStartupItems, C::ReadSettings}) {
      const std::string request = bare(code(c));
      EXPECT_EQ(h.jniReply(request), h.simReply(request)) << "command " << code(c);
    }
    for (const sim::Contact& c : h.state.contacts) {
      const std::string request = framed(code(C::ContactDetails), be32(1) + be32(static_cast<int32_t>(c.id)));
      ASSERT_EQ(h.jniReply(request), h.simReply(request)) << "card of " << c.id;
    }
    for (const sim::Thread& t : h.state.threads) {
      const std::string request = be32(code(C::ListMessages)) + be32(static_cast<int32_t>(t.id));
      ASSERT_EQ(h.jniReply(request), h.simReply(request)) << "thread " << t.id;
    }
  }
};

TEST_F(JniAgent, AnswersEveryReadAsVphoneDoes) {
  expectSameReads("the data set");
  // Unknown ids: no card; an empty conversation.
  EXPECT_EQ(h.jniReply(framed(code(C::ContactDetails), be32(1) + be32(987654))), phone::statusWord(kAgentNoReply));
  const std::string none = be32(code(C::ListMessages)) + be32(987654);
  EXPECT_EQ(h.jniReply(none), h.simReply(none));
  EXPECT_EQ(Harness::openCursors(), 0);
}

TEST_F(JniAgent, WhatAndroidGivesNoAppIsRefusedAsSuchAndFreeMemoryIsServed) {
  const std::string alarm = be32(7) + be32(30) + be32(0) + be64(0) + be32(1) + be32(0) + text("t") + text("u");
  const std::string bookmark = be32(0) + text("t") + text("http://u");
  const struct {
    std::string request;
    AgentRefusal why;
  } cases[] = {
      {bare(code(C::ListAlarms)), AgentRefusal::AlarmsNotOffered},
      {framed(code(C::UpdateAlarm), be32(1) + be32(2) + alarm), AgentRefusal::AlarmsNotOffered},
      {idList(code(C::DeleteAlarms), {1}), AgentRefusal::AlarmsNotOffered},
      {bare(code(C::ListBookmarks)), AgentRefusal::BookmarksNotOffered},
      {framed(code(C::AddBookmark), be32(1) + bookmark), AgentRefusal::BookmarksNotOffered},
      {framed(code(C::UpdateBookmark), be32(1) + be32(2) + bookmark), AgentRefusal::BookmarksNotOffered},
      {idList(code(C::DeleteBookmarks), {1}), AgentRefusal::BookmarksNotOffered},
      {bare(code(C::ListProcesses)), AgentRefusal::ProcessesNotOffered},
      {framed(code(C::EndProcesses), be32(1) + text("com.example")), AgentRefusal::ProcessesNotOffered},
  };
  for (const auto& c : cases)
    EXPECT_EQ(h.jniReply(c.request), refused(c.why)) << getInt32(reinterpret_cast<const unsigned char*>(c.request.data()));
  // Free memory is every app's to read: the same word as vphone's, capped the same way.
  EXPECT_EQ(h.jniReply(bare(code(C::FreeMemory))), h.simReply(bare(code(C::FreeMemory))));
  EXPECT_GT(h.state.system.freeMemory, 0);
  h.state.system.freeMemory = 5LL << 32;
  h.loadFakes();
  EXPECT_EQ(h.jniReply(bare(code(C::FreeMemory))), phone::statusWord(INT32_MAX));
  EXPECT_EQ(h.simReply(bare(code(C::FreeMemory))), phone::statusWord(INT32_MAX));
}

TEST_F(JniAgent, ChangesLeaveTheSameDataAsOnVphone) {
  const sim::Contact& first = h.state.contacts[3];
  const sim::Contact& second = h.state.contacts[7];
  // An update that changes, deletes and keeps items (no new rows: the ids stay comparable).
  std::string update = be32(1) + be32(static_cast<int32_t>(first.id)) + be32(1) + be32(0);
  update += be32(1) + be64(first.displayName.rowId) + be32(2) + be32(0) + text(u8"改过的名字 <b>&amp;</b>");
  update += be32(0) + be32(0);  // nickname and notes absent
  auto items = [&](const std::vector<sim::ContactItem>& list, int32_t op) {
    std::string s = be32(static_cast<int32_t>(list.size()));
    for (const sim::ContactItem& i : list) s += be64(i.rowId) + be32(op) + be32(i.kind) + text(i.value + (op == 2 ? "9" : ""));
    return s;
  };
  update += items(first.phones, 2) + be32(0) + items(first.emails, 1) + items(first.ims, 3) + be32(0) + be32(0) +
            items(first.organizations, 1);
  const std::vector<std::string> changes = {
      framed(code(C::UpdateContact), update),
      idList(code(C::DeleteContacts), {static_cast<int32_t>(second.id), 424242}),
      framed(code(C::RenameGroup), be32(1) + be32(2) + text(u8"同事们")),
      idList(code(C::DeleteGroups), {3}),
      idList(code(C::DeleteCalls), {static_cast<int32_t>(h.state.calls[0].id), static_cast<int32_t>(h.state.calls[5].id)}),
  };
  for (const std::string& change : changes) {
    const std::string jni = h.jniReply(change);
    EXPECT_EQ(jni, h.simReply(change)) << "status of command " << getInt32(reinterpret_cast<const unsigned char*>(change.data()));
  }
  expectSameReads("after the changes");
  const std::string all = framed(code(C::DeleteAllCalls), be32(1));
  EXPECT_EQ(h.jniReply(all), h.simReply(all));
  EXPECT_EQ(h.jniReply(bare(code(C::ListCalls))), h.simReply(bare(code(C::ListCalls))));
}

TEST_F(JniAgent, AddsMakeTheRecordsVphoneMakes) {
  // New rows get the providers' ids, not vphone's: compare what the pages show, ids aside.
  const std::string name = u8"新朋友 😀";
  std::string add = be32(1) + be32(1) + be32(0);
  add += be32(1) + be64(0) + be32(0) + text(name);
  add += be32(0) + be32(1) + be64(0) + be32(0) + text("notes");
  add += be32(2) + be64(0) + be32(2) + text("13800138000") + be64(0) + be32(3) + text("010-12345678");
  add += be32(1) + be64(0) + be32(0) + text(h.state.groups[0].title);
  add += be32(0) + be32(1) + be64(0) + be32(4) + text("10001") + be32(0) + be32(0) + be32(0);
  const std::string request = framed(code(C::AddContact), add);
  EXPECT_EQ(h.jniReply(request), phone::statusWord(1));
  std::vector<phone::ContactSummary> list;
  ASSERT_TRUE(h.jni().contacts(list).isServed());
  ASSERT_EQ(list.size(), h.state.contacts.size() + 1);
  const phone::ContactSummary& added = list.back();
  EXPECT_EQ(added.name, name);
  EXPECT_EQ(added.number, "13800138000");
  EXPECT_EQ(added.starred, 1);
  phone::ContactCard card;
  ASSERT_TRUE(h.jni().contactCard(static_cast<int32_t>(added.id), card).isServed());
  ASSERT_EQ(card.phones.size(), 2u);
  EXPECT_EQ(card.phones[1].kind, 3);
  ASSERT_EQ(card.groups.size(), 1u);
  EXPECT_EQ(card.groups[0].rowId, h.state.groups[0].id);
  ASSERT_EQ(card.ims.size(), 1u);
  EXPECT_EQ(card.ims[0].kind, 4);
  EXPECT_TRUE(card.notes.present);
  EXPECT_FALSE(card.nickname.present);

  EXPECT_EQ(h.jniReply(framed(code(C::AddGroup), be32(1) + text(u8"新分组"))), phone::statusWord(1));
  std::vector<sim::Group> groups;
  ASSERT_TRUE(h.jni().groups(groups).isServed());
  EXPECT_EQ(groups.back().title, u8"新分组");
  EXPECT_EQ(groups.back().account, "Phone");
  EXPECT_EQ(groups.back().visible, 1);
}

TEST_F(JniAgent, RefusedReadsAndWritesAreRefusalsNotEmptyLists) {
  struct Case {
    const char* table;
    std::string request;
    AgentRefusal why;
  } cases[] = {
      {"contacts", bare(code(C::ListContacts)), AgentRefusal::ContactsRead},
      {"data", framed(code(C::ContactDetails), be32(1) + be32(1)), AgentRefusal::ContactsRead},
      {"groups", bare(code(C::ListGroups)), AgentRefusal::ContactsRead},
      {"data", bare(code(C::ListPickerContacts)), AgentRefusal::ContactsRead},
      {"sms", bare(code(C::ListConversations)), AgentRefusal::SmsRead},
      {"sms", be32(code(C::ListMessages)) + be32(1), AgentRefusal::SmsRead},
      {"calls", bare(code(C::ListCalls)), AgentRefusal::CallLogRead},
      {"calls", idList(code(C::DeleteCalls), {1}), AgentRefusal::CallLogWrite},
      {"raw_contacts", idList(code(C::DeleteContacts), {1}), AgentRefusal::ContactsWrite},
      {"groups", framed(code(C::AddGroup), be32(1) + text("x")), AgentRefusal::ContactsWrite},
  };
  for (const Case& c : cases) {
    Harness::resetFaults();
    Harness::fake("refuse", c.table);
    EXPECT_EQ(h.jniReply(c.request), refused(c.why)) << c.table;
  }
  Harness::resetFaults();
  // Without the contacts, threads and calls still list, under their numbers.
  Harness::fake("refuse", "data");
  const std::string threads = h.jniReply(bare(code(C::ListConversations)));
  EXPECT_GT(threads.size(), 100u);
  EXPECT_EQ(threads.find(h.state.contacts[0].displayName.value), std::string::npos);
  EXPECT_EQ(Harness::openCursors(), 0);
}

TEST_F(JniAgent, FailingProvidersAnswerNoHalfListAndKeepNothingOpen) {
  // A cursor that dies mid-walk: a refusal (Unknown), never the rows before it as the whole list.
  Harness::fake("cursorThrows", "contacts", 50);
  EXPECT_EQ(h.jniReply(bare(code(C::ListContacts))), refused(AgentRefusal::Unknown));
  Harness::resetFaults();
  Harness::fake("cursorThrows", "calls", 10);
  EXPECT_EQ(h.jniReply(bare(code(C::ListCalls))), refused(AgentRefusal::Unknown));
  EXPECT_EQ(Harness::openCursors(), 0);
  // A cursor that ends early (fewer rows than its count): the rows it gave, as vphone lists them.
  Harness::resetFaults();
  Harness::fake("cursorEnds", "calls", 10);
  h.state.calls.resize(10);
  EXPECT_EQ(h.jniReply(bare(code(C::ListCalls))), h.simReply(bare(code(C::ListCalls))));
}

TEST_F(JniAgent, AChangeThatFailsChangesNothing) {
  const sim::Contact& c = h.state.contacts[10];
  const std::string card = framed(code(C::ContactDetails), be32(1) + be32(static_cast<int32_t>(c.id)));
  const std::string before = h.jniReply(card);
  std::string update = be32(1) + be32(static_cast<int32_t>(c.id)) + be32(1) + be32(0);
  update += be32(1) + be64(c.displayName.rowId) + be32(2) + be32(0) + text("changed");
  update += be32(0) + be32(0);
  update += be32(1) + be64(-1) + be32(0) + be32(2) + text("13999999999");
  for (int i = 0; i < 6; ++i) update += be32(0);
  // The third operation of the batch fails: the name change and the new phone are undone.
  JNIEnv* env = jvmEnv();
  jclass phone = javaClass("zorvik/fakes/Phone");
  env->SetStaticIntField(phone, env->GetStaticFieldID(phone, "batchFailsAt", "I"), 2);
  EXPECT_EQ(h.jniReply(framed(code(C::UpdateContact), update)), phone::statusWord(0));
  EXPECT_EQ(h.jniReply(card), before);
  Harness::resetFaults();
  EXPECT_EQ(h.jniReply(framed(code(C::UpdateContact), update)), phone::statusWord(1));
  EXPECT_NE(h.jniReply(card), before);
  // A contact that is not there is not created.
  std::string missing = update;
  missing.replace(4, 4, be32(777777));
  EXPECT_EQ(h.jniReply(framed(code(C::UpdateContact), missing)), phone::statusWord(0));
  EXPECT_EQ(h.jniReply(framed(code(C::ContactDetails), be32(1) + be32(777777))), phone::statusWord(kAgentNoReply));
}

TEST_F(JniAgent, MessagesAreSentWholeAndDeletedOnlyByTheDefaultApp) {
  std::string longText;
  for (int i = 0; i < 100; ++i) longText += u8"长短信😀";
  const std::string send = framed(code(C::SendMessage), be32(2) + text("10086") + text("13911112222") + text(longText));
  EXPECT_EQ(h.jniReply(send), phone::statusWord(1));
  JNIEnv* env = jvmEnv();
  jclass phone = javaClass("zorvik/fakes/Phone");
  EXPECT_EQ(env->CallStaticIntMethod(phone, env->GetStaticMethodID(phone, "sentCount", "()I")), 2);
  ASSERT_EQ(takeException(env), "");
  auto parts = static_cast<jobjectArray>(
      env->CallStaticObjectMethod(phone, env->GetStaticMethodID(phone, "sentAt", "(I)[Ljava/lang/String;"), 1));
  ASSERT_EQ(takeException(env), "");
  std::string whole;
  for (jsize i = 1; i < env->GetArrayLength(parts); ++i)
    whole += utf8Of(env, static_cast<jstring>(env->GetObjectArrayElement(parts, i)));
  EXPECT_GT(env->GetArrayLength(parts), 2);
  EXPECT_EQ(whole, longText);
  EXPECT_EQ(utf8Of(env, static_cast<jstring>(env->GetObjectArrayElement(parts, 0))), "13911112222");
  // The sent text is in the conversation of 10086.
  const std::string threads = h.jniReply(bare(code(C::ListConversations)));
  EXPECT_NE(threads.find(longText), std::string::npos);

  const std::string del = idList(code(C::DeleteMessages), {static_cast<int32_t>(h.state.threads[0].id)});
  EXPECT_EQ(h.jniReply(del), refused(AgentRefusal::SmsNotDefaultApp));
  env->SetStaticObjectField(phone, env->GetStaticFieldID(phone, "defaultSmsPackage", "Ljava/lang/String;"),
                            javaString(env, "com.zorvik.Zorvik"));
  EXPECT_EQ(h.jniReply(del), phone::statusWord(1));
  const std::string conversation = be32(code(C::ListMessages)) + be32(static_cast<int32_t>(h.state.threads[0].id));
  EXPECT_EQ(h.jniReply(conversation), be32(20) + be32(0) + be64(0) + be32(0) + be32(kAgentListEnd));
  Harness::fake("refuse", "sms");
  EXPECT_EQ(h.jniReply(send), phone::statusWord(1));  // sending goes through SmsManager, not the provider
  env->SetStaticBooleanField(phone, env->GetStaticFieldID(phone, "smsSendRefused", "Z"), JNI_TRUE);
  EXPECT_EQ(h.jniReply(send), refused(AgentRefusal::SmsSend));
  env->SetStaticObjectField(phone, env->GetStaticFieldID(phone, "defaultSmsPackage", "Ljava/lang/String;"),
                            javaString(env, "com.android.mms"));
}

TEST_F(JniAgent, HostileTextsArriveWhole) {
  // Names the phone can hold that JNI's modified UTF-8 would break: emoji, a lone surrogate,
  // NUL; markup; 10,000 characters.
  JNIEnv* env = jvmEnv();
  jclass phone = javaClass("zorvik/fakes/Phone");
  jmethodID data = env->GetStaticMethodID(phone, "loadData", "(JJLjava/lang/String;Ljava/lang/String;ILjava/lang/String;[B)V");
  std::u16string units = u"<script>alert('x')</script>&\U0001F600";
  units.push_back(0xD800);  // lone high surrogate
  units.push_back(u'a');
  units.push_back(u'\0');
  std::u16string longName(10000, u'\u738b');
  std::vector<const sim::Contact*> plain;  // contacts without a nickname of their own
  for (const sim::Contact& c : h.state.contacts)
    if (!c.nickname.present) plain.push_back(&c);
  const sim::Contact& a = *plain[0];
  const sim::Contact& b = *plain[1];
  jstring mime = javaString(env, "vnd.android.cursor.item/nickname");
  env->CallStaticVoidMethod(phone, data, 800000001LL, a.rawId, mime, javaUnits(env, units), 0, nullptr, nullptr);
  ASSERT_EQ(takeException(env), "");
  env->CallStaticVoidMethod(phone, data, 800000002LL, b.rawId, mime, javaUnits(env, longName), 0, nullptr, nullptr);
  ASSERT_EQ(takeException(env), "");
  phone::ContactCard card;
  ASSERT_TRUE(h.jni().contactCard(static_cast<int32_t>(a.id), card).isServed());
  const std::string expected = std::string(u8"<script>alert('x')</script>&😀\uFFFDa") + std::string(1, '\0');
  ASSERT_FALSE(a.nickname.present);
  EXPECT_EQ(card.nickname.value, expected);
  ASSERT_TRUE(h.jni().contactCard(static_cast<int32_t>(b.id), card = {}).isServed());
  ASSERT_FALSE(b.nickname.present);
  EXPECT_EQ(card.nickname.value.size(), 30000u);
  // And back: a request's bytes that are not UTF-8 are stored replaced, never an abort.
  const std::string rename = framed(code(C::RenameGroup), be32(1) + be32(1) + text("ok\xC0\xAF\xF0\x9F"));
  EXPECT_EQ(h.jniReply(rename), phone::statusWord(1));
  std::vector<sim::Group> groups;
  ASSERT_TRUE(h.jni().groups(groups).isServed());
  EXPECT_EQ(groups[0].title, u8"ok\uFFFD\uFFFD\uFFFD");
}

// One exchange with the agent's abstract socket, as adb's forward makes it.
std::string askAgent(const std::string& name, const std::string& request) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  name.copy(address.sun_path + 1, sizeof address.sun_path - 2);
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  std::string reply;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
      ::send(fd, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
    char buffer[65536];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return reply;
}

extern "C" JNIEXPORT void JNICALL Java_com_zorvik_Zorvik_AgentService_start(JNIEnv*, jclass, jobject);

TEST_F(JniAgent, ServesItsSocketFromThreadsItAttachesAndDetaches) {
  phone::ListenerOptions options;
  options.name = "zorvik_agent_test_" + std::to_string(::getpid());
  options.extraUid = ::getuid();
  JNIEnv* env = jvmEnv();
  std::string error;
  ASSERT_TRUE(phone::startPhoneAgent(env, agentContext(), options, &error)) << error;
  // The service's native method binds to the exported entry, and a second start does nothing.
  jclass service = javaClass("com/zorvik/Zorvik/AgentService");
  JNINativeMethod start{const_cast<char*>("start"), const_cast<char*>("(Landroid/content/Context;)V"),
                        reinterpret_cast<void*>(&Java_com_zorvik_Zorvik_AgentService_start)};
  ASSERT_EQ(env->RegisterNatives(service, &start, 1), JNI_OK);
  env->CallStaticVoidMethod(service, env->GetStaticMethodID(service, "start", "(Landroid/content/Context;)V"),
                            agentContext());
  ASSERT_EQ(takeException(env), "");
  EXPECT_TRUE(phone::startPhoneAgent(env, agentContext(), options, &error));

  EXPECT_EQ(askAgent(options.name, bare(code(C::ListContacts))), h.simReply(bare(code(C::ListContacts))));
  std::vector<std::thread> threads;
  std::vector<std::string> replies(6);
  for (int i = 0; i < 6; ++i)
    threads.emplace_back([&, i] { replies[i] = askAgent(options.name, bare(code(i % 2 ? C::ListCalls : C::ListGroups))); });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 6; ++i) EXPECT_EQ(replies[i], h.simReply(bare(code(i % 2 ? C::ListCalls : C::ListGroups))));
  // Every connection's thread was detached when it ended: the JVM soon knows none of them.
  jclass thread = javaClass("java/lang/Thread");
  jmethodID all = env->GetStaticMethodID(thread, "getAllStackTraces", "()Ljava/util/Map;");
  std::string names;
  for (int wait = 0; wait < 100; ++wait) {
    jobject map = env->CallStaticObjectMethod(thread, all);
    ASSERT_EQ(takeException(env), "");
    jobject keys = env->CallObjectMethod(map, env->GetMethodID(env->GetObjectClass(map), "keySet", "()Ljava/util/Set;"));
    ASSERT_EQ(takeException(env), "");
    jobject text = env->CallObjectMethod(keys, env->GetMethodID(env->GetObjectClass(keys), "toString", "()Ljava/lang/String;"));
    ASSERT_EQ(takeException(env), "");
    names = utf8Of(env, static_cast<jstring>(text));
    if (names.find("zorvik-agent") == std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(names.find("zorvik-agent"), std::string::npos) << names;

  // vphone relays its agent forward to this agent ("agent outside NAME"), as the suite's pages
  // would reach it: the PC's forward to localabstract:zorvik_agent, then plain agent exchanges.
  sim::VirtualPhone vphone;
  sim::PhoneState empty = h.state;  // the agent installed, but vphone's own agent would list nothing
  empty.contacts.clear();
  empty.threads.clear();
  empty.calls.clear();
  empty.system = {};
  vphone.setBaseState(std::move(empty));
  vphone.addDevice("JNI0AGENT0000001");
  ASSERT_TRUE(vphone.start(0, -1, error)) << error;
  EXPECT_EQ(vphone.control("agent outside " + options.name).substr(0, 2), "OK");
  EXPECT_EQ(vphone.control("reset"), "OK");  // clears the faults, keeps the relay
  TcpSocket adb = TcpSocket::connectLoopback(vphone.adbPort());
  const std::string forward = std::string("host-serial:JNI0AGENT0000001:forward:tcp:0;localabstract:") + kAgentSocketName;
  const std::string ask = adbLengthPrefix(forward.size()) + forward;
  ASSERT_TRUE(adb.sendAll(ask.data(), ask.size()));
  char okay[12] = {};
  ASSERT_EQ(adb.receiveExactly(okay, 12), 12u);  // OKAYOKAY and the port's length
  std::string port(64, '\0');
  const int n = adb.receive(port.data(), port.size());
  ASSERT_GT(n, 0);
  const auto local = static_cast<uint16_t>(std::stoi(port.substr(0, static_cast<size_t>(n))));
  for (C c : {C::ListContacts, C::ListConversations, C::ListCalls, C::SystemInfo}) {
    TcpSocket s = TcpSocket::connectLoopback(local);
    const std::string request = bare(code(c));
    ASSERT_TRUE(s.sendAll(request.data(), request.size()));
    std::string reply;
    char buffer[65536];
    for (int got; (got = s.receive(buffer, sizeof buffer)) > 0;) reply.append(buffer, static_cast<size_t>(got));
    EXPECT_EQ(reply, h.simReply(request)) << "through vphone's forward, command " << code(c);
  }
  vphone.stop();
}

TEST(JniAgentScale, FiveThousandContactsWithinBudget) {
  Harness h(5000);
  h.loadFakes();
  const std::string request = bare(code(C::ListContacts));
  EXPECT_EQ(h.jniReply(request), h.simReply(request));
  // A walk of any length holds a handful of local references at once (ART's table is small).
  countLocalReferences();
  resetLocalHighWater();
  h.jniReply(request);
  EXPECT_LE(localHighWater(), 16);
  EXPECT_GT(localHighWater(), 2);  // the count saw the walk at all
  // Timed: the whole answer, and the fake provider's share of it.
  double best = 1e9, provider = 0;
  for (int i = 0; i < 5; ++i) {
    Harness::resetProviderNanos();
    const auto start = std::chrono::steady_clock::now();
    const std::string reply = h.jniReply(request);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double providerMs = static_cast<double>(Harness::providerNanos()) / 1e6;
    if (ms - providerMs < best) {
      best = ms - providerMs;
      provider = providerMs;
    }
    ASSERT_GT(reply.size(), 5000u * 30);
  }
  // For scale: vphone's answer from memory, the same reply writer.
  const auto start = std::chrono::steady_clock::now();
  h.simReply(request);
  const double vphone = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("870101 for 5000 contacts: %.1f ms of our own work, %.1f ms in the fake provider (vphone: %.1f ms)\n",
              best, provider, vphone);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(best, 300.0);  // the budget holds for the optimised build; the sanitizers' is several times slower
#endif
}

}  // namespace
}  // namespace zorvik::test
