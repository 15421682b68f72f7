// The in-memory registry keeps the RegXxx rules the readers rely on.
#include <gtest/gtest.h>

#include "platform/MemoryRegistry.h"

namespace tallyvane::platform {
namespace {

TEST(MemoryRegistry, KeysAndValuesIgnoreAsciiCase) {
  MemoryRegistry reg;
  reg.setString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", "Windows 10 Pro");
  reg.setDword("software\\MICROSOFT\\windows nt\\currentversion", "InstallDate", 1'600'000'000);
  RegKey hk = kNoKey, key = kNoKey;
  ASSERT_EQ(reg.connect("", kHKeyLocalMachine, hk), kErrorSuccess);
  ASSERT_EQ(reg.openKey(hk, "Software\\Microsoft\\Windows NT\\CurrentVersion", kKeyRead, key),
            kErrorSuccess);
  EXPECT_EQ(readStringValue(reg, key, "productname"), "Windows 10 Pro");
  EXPECT_EQ(readDwordValue(reg, key, "INSTALLDATE"), 1'600'000'000u);
  EXPECT_EQ(readStringValue(reg, key, "InstallDate"), std::nullopt);  // wrong type
  EXPECT_EQ(readDwordValue(reg, key, "Missing"), std::nullopt);
  RegKey missing = 123;
  EXPECT_EQ(reg.openKey(hk, "Software\\Nothing", kKeyRead, missing), kErrorFileNotFound);
  EXPECT_EQ(missing, kNoKey);
  EXPECT_EQ(reg.closeKey(key), kErrorSuccess);
  EXPECT_EQ(reg.closeKey(key), kErrorInvalidHandle);
  std::string name;
  EXPECT_EQ(reg.enumKey(key, 0, 256, name), kErrorInvalidHandle);
}

TEST(MemoryRegistry, EnumerationAndValueBuffers) {
  MemoryRegistry reg;
  reg.addKey("Root\\Beta");
  reg.addKey("Root\\alpha");
  reg.addKey("Root\\" + std::string(10, 'x'));
  reg.setString("Root", "Text", "abc");
  RegKey hk = kNoKey, root = kNoKey;
  reg.connect("", kHKeyLocalMachine, hk);
  ASSERT_EQ(reg.openKey(hk, "root", kKeyRead, root), kErrorSuccess);
  std::string name;
  EXPECT_EQ(reg.enumKey(root, 0, 256, name), kErrorSuccess);
  EXPECT_EQ(name, "Beta");  // in the order the keys were made
  EXPECT_EQ(reg.enumKey(root, 1, 256, name), kErrorSuccess);
  EXPECT_EQ(name, "alpha");
  EXPECT_EQ(reg.enumKey(root, 2, 10, name), kErrorMoreData);  // 10 characters and the terminator
  EXPECT_EQ(reg.enumKey(root, 2, 11, name), kErrorSuccess);
  EXPECT_EQ(reg.enumKey(root, 3, 256, name), kErrorNoMoreItems);

  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.queryValue(root, "Text", type, {}, size), kErrorSuccess);
  EXPECT_EQ(size, 8u);  // "abc" and the terminator in UTF-16
  EXPECT_EQ(type, kRegSz);
  std::vector<std::byte> small(7), exact(8);
  EXPECT_EQ(reg.queryValue(root, "Text", type, small, size), kErrorMoreData);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(reg.queryValue(root, "Text", type, exact, size), kErrorSuccess);
  EXPECT_EQ(exact[0], std::byte{'a'});
  EXPECT_EQ(reg.queryValue(root, "None", type, exact, size), kErrorFileNotFound);
}

TEST(MemoryRegistry, RemoteMachinesAndUnreachableRegistry) {
  MemoryRegistry reg;
  reg.addReachableMachine("\\\\Server1");
  RegKey hk = kNoKey;
  EXPECT_EQ(reg.connect("\\\\SERVER1", kHKeyLocalMachine, hk), kErrorSuccess);
  EXPECT_EQ(reg.connect("server1", kHKeyLocalMachine, hk), kErrorSuccess);
  EXPECT_EQ(reg.lastConnectMachine(), "server1");
  EXPECT_EQ(reg.connect("\\\\server2", kHKeyLocalMachine, hk), kErrorBadNetpath);
  EXPECT_EQ(hk, kNoKey);
  EXPECT_EQ(reg.connect("", kHKeyCurrentUser, hk), kErrorInvalidHandle);
  reg.setUnreachable(true);
  EXPECT_EQ(reg.connect("", kHKeyLocalMachine, hk), kErrorBadNetpath);
  EXPECT_EQ(reg.connectCount(), 5);
}

}  // namespace
}  // namespace tallyvane::platform
