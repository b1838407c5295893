// isAdbUsbInterface against USB device entries the test writes into the registry.
#include "devlink/UsbInterface.h"

#include "devlink/DeviceConnection.h"

#include <windows.h>
#include <dbt.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace zorvik {
namespace {

constexpr const char* kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB";

// Writes HKLM\...\Enum\USB\<device>\<instance> with a DeviceDesc, and removes the device key again.
class UsbEntries : public ::testing::Test {
 protected:
  void add(const std::string& device, const std::string& instance, const std::string& description) {
    const std::string path = std::string(kUsb) + "\\" + device + "\\" + instance;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "DeviceDesc", 0, REG_SZ, reinterpret_cast<const BYTE*>(description.c_str()),
                             static_cast<DWORD>(description.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
    devices_.push_back(device);
  }
  void TearDown() override {
    for (const std::string& device : devices_) RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string(kUsb) + "\\" + device).c_str());
  }
  std::vector<std::string> devices_;
};

const char* kGuid = "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

TEST_F(UsbEntries, AnInterfaceDescribedAsAdbInterfaceIsRecognised) {
  add("VID_FEED&PID_0A01&MI_01", "7&2b3c4d&0&0001", "Android ADB Interface");
  add("VID_FEED&PID_0A01", "HT0123456789", "Android Composite ADB Device");
  EXPECT_TRUE(isAdbUsbInterface(std::string("\\\\?\\USB#VID_FEED&PID_0A01&MI_01#7&2b3c4d&0&0001") + kGuid));
  // Lower-cased comparison of both the id and the description.
  EXPECT_TRUE(isAdbUsbInterface(std::string("\\\\?\\usb#vid_feed&pid_0a01&mi_01#x") + kGuid));
}

TEST_F(UsbEntries, ADeviceWithoutAdbInterfaceIsIgnored) {
  add("VID_FEED&PID_0B02", "SER1", "USB Mass Storage Device");
  add("VID_FEED&PID_0B02", "SER2", "Android Composite USB Device");
  EXPECT_FALSE(isAdbUsbInterface(std::string("\\\\?\\USB#VID_FEED&PID_0B02#SER1") + kGuid));
}

TEST_F(UsbEntries, UnknownDevicesAndMalformedPathsAreNo) {
  EXPECT_FALSE(isAdbUsbInterface(std::string("\\\\?\\USB#VID_FEED&PID_0C03#SER1") + kGuid));
  EXPECT_FALSE(isAdbUsbInterface("\\\\?\\USB"));
  EXPECT_FALSE(isAdbUsbInterface(""));
  // An empty id would match every device; it must not.
  add("VID_FEED&PID_0D04", "SER1", "Android ADB Interface");
  EXPECT_FALSE(isAdbUsbInterface("\\\\?\\USB##x"));
}

TEST_F(UsbEntries, AnEntryWithoutDescriptionOrWithANumberIsNo) {
  const std::string path = std::string(kUsb) + "\\VID_FEED&PID_0E05\\SER1";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  const DWORD number = 7;
  RegSetValueExA(key, "DeviceDesc", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);
  devices_.push_back("VID_FEED&PID_0E05");
  EXPECT_FALSE(isAdbUsbInterface(std::string("\\\\?\\USB#VID_FEED&PID_0E05#SER1") + kGuid));
}

// Records what a device notice leads to.
class NoticeListener : public ConnectionListener {
 public:
  void showConnectionStatus(const std::string& text, int state) override { statuses.push_back({text, state}); }
  void showBalloon(const std::string& text, const std::string&) override { balloons.push_back(text); }
  void playSound(int id) override { sounds.push_back(id); }
  void startTimer(int, unsigned) override {}
  void chooseDevice(const std::string&) override {}
  std::vector<std::pair<std::string, int>> statuses;
  std::vector<std::string> balloons;
  std::vector<int> sounds;
};

// A WM_DEVICECHANGE notice as Windows builds it: the header, the class and the name.
std::vector<char> notice(DWORD type, const std::string& name) {
  std::vector<char> bytes(offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + name.size() + 1);
  auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(bytes.data());
  header->dbcc_size = static_cast<DWORD>(bytes.size());
  header->dbcc_devicetype = type;
  std::memcpy(header->dbcc_name, name.c_str(), name.size() + 1);
  return bytes;
}

TEST_F(UsbEntries, DeviceNoticesOfAdbInterfacesReachTheConnection) {
  add("VID_FEED&PID_0F06", "SER1", "Android ADB Interface");
  add("VID_FEED&PID_0F07", "SER1", "USB Mass Storage Device");
  NoticeListener listener;
  ConnectionOptions options;
  options.adbPath = programFolder() + "no-such-adb";
  options.arrivalDelayMs = 0;
  DeviceConnection connection(listener, options);
  const auto adb = notice(DBT_DEVTYP_DEVICEINTERFACE, std::string("\\\\?\\USB#VID_FEED&PID_0F06#SER1") + kGuid);
  const auto disk = notice(DBT_DEVTYP_DEVICEINTERFACE, std::string("\\\\?\\USB#VID_FEED&PID_0F07#SER1") + kGuid);
  const auto volume = notice(DBT_DEVTYP_VOLUME, "x");
  EXPECT_FALSE(handleDeviceChange(connection, DBT_DEVICEARRIVAL, disk.data()));
  EXPECT_FALSE(handleDeviceChange(connection, DBT_DEVICEARRIVAL, volume.data()));
  EXPECT_FALSE(handleDeviceChange(connection, DBT_DEVNODES_CHANGED, nullptr));
  EXPECT_TRUE(listener.statuses.empty());

  EXPECT_TRUE(handleDeviceChange(connection, DBT_DEVICEREMOVECOMPLETE, adb.data()));
  EXPECT_EQ(listener.statuses.back(), std::make_pair(std::string("【提示】检测到一个设备断开"), 0));
  EXPECT_EQ(listener.balloons.back(), "Android设备已经断开USB连接");
  EXPECT_EQ(listener.sounds, std::vector<int>{657});

  EXPECT_TRUE(handleDeviceChange(connection, DBT_DEVICEARRIVAL, adb.data()));
  ASSERT_TRUE(connection.waitIdle(10000));
  EXPECT_EQ(listener.balloons.back(), "检测到Android设备，正在尝试连接...");
  EXPECT_EQ(listener.statuses.back(), std::make_pair(std::string("【组件丢失，请重新安装"), 1));
}

TEST(UsbNotices, AWindowRegistersForUsbInterfaceNotices) {
  HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  {
    UsbNotification registration = registerUsbNotifications(window);
    EXPECT_TRUE(registration.valid());
    UsbNotification moved = std::move(registration);
    EXPECT_TRUE(moved.valid());
    EXPECT_FALSE(registration.valid());
  }
  DestroyWindow(window);
}

TEST(UsbNotices, ANoticeShorterThanItsHeaderIsIgnored) {
  NoticeListener listener;
  DeviceConnection connection(listener);
  auto bytes = notice(DBT_DEVTYP_DEVICEINTERFACE, "\\\\?\\USB#VID_FEED&PID_0F06#SER1");
  reinterpret_cast<DEV_BROADCAST_HDR*>(bytes.data())->dbch_size = 8;
  EXPECT_FALSE(handleDeviceChange(connection, DBT_DEVICEARRIVAL, bytes.data()));
  EXPECT_TRUE(listener.statuses.empty());
}

}  // namespace
}  // namespace zorvik
