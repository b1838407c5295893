// isAdbUsbInterface against USB device entries the test writes into the registry.
#include "devlink/UsbInterface.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace zorvik
