#include "platform/drives.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "catalog/records.h"
#include "platform/services.h"
#include "reading/platform_drives.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

TEST(DrivesTest, SerialText) {
  struct {
    const char* uuid;
    const char* fstype;
    const char* serial;
  } cases[] = {
      {"ABCD-1234", "vfat", "ABCD1234"},
      {"abcd-ef01", "exfat", "ABCDEF01"},
      {"0000-1234", "vfat", "1234"},  // a 32-bit number: at least 4 digits
      {"0000-0000", "vfat", "0000"},
      {"0123456789ABCDEF", "ntfs", "89ABCDEF"},  // low 32 bits, as Windows shows it
      {"0000000000000abc", "ntfs3", "0ABC"},
      // Longer ids fold to 32 bits so the serial fits the catalog's 31-byte
      // field and compares equal when the medium is checked later.
      {"3e6be9de-8139-11d1-9106-a43f08d823a6", "ext4", "268C7F96"},
      {"2019-05-12-10-22-33-00", "iso9660", "303B3612"},
      {"", "ext4", ""},
      {"----", "ext4", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SerialTextFromUuid(c.uuid, c.fstype), c.serial) << c.uuid;
  EXPECT_EQ(SerialText(0xFFFFFFFFu), "FFFFFFFF");
}

TEST(DrivesTest, ParseMountInfoAndFilter) {
  const char* text =
      "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
      "28 1 8:1 / / rw,relatime shared:1 master:2 - ext4 /dev/sda1 rw,errors=remount-ro\n"
      "50 28 8:17 / /media/u/MY\\040STICK\\134x rw shared:5 - vfat /dev/sdb1 rw\n"
      "garbage line\n"
      "51 28 x:y / /bad rw - ext4 /dev/sdz rw\n"
      "52 28 0:5 / /no-dash rw ext4 /dev/sdz rw\n"
      "\n"
      "53 28 0:40 / /run/user/1000 rw - tmpfs tmpfs rw\n"
      "54 28 8:33 / /run/media/u/DISK rw - ext4 /dev/sdc1 rw\n"
      "55 28 0:41 / /tmp rw - tmpfs tmpfs rw\n"
      "56 28 7:1 / /snap/core/1 ro - squashfs /dev/loop1 ro\n"
      "57 28 0:60 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
      "58 28 0:61 / /dev/shm rw - tmpfs tmpfs rw\n"
      "59 28 0:62 / /mnt/share rw - cifs //server/share rw";
  auto m = ParseMountInfo(text);
  ASSERT_EQ(m.size(), 10u);
  EXPECT_EQ(m[1].mount_point, "/");
  EXPECT_EQ(m[1].fstype, "ext4");
  EXPECT_EQ(m[1].source, "/dev/sda1");
  EXPECT_EQ(m[1].major, 8u);
  EXPECT_EQ(m[1].minor, 1u);
  EXPECT_EQ(m[2].mount_point, "/media/u/MY STICK\\x");
  std::vector<std::string> kept;
  for (auto& e : m)
    if (IsDriveMount(e)) kept.push_back(e.mount_point);
  EXPECT_EQ(kept, (std::vector<std::string>{"/", "/media/u/MY STICK\\x", "/run/media/u/DISK", "/tmp", "/mnt/share"}));
  EXPECT_EQ(DecodeUdevName("MY\\x20STICK\\x2fA\\x2"), "MY STICK/A\\x2");
}

// A fake system: mountinfo, /sys and /dev below a temporary folder, with
// real folders as mount points so that statvfs answers.
class DriveTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = test::MakeTempDir();
    for (const char* d : {"/sys/block/sda", "/sys/block/sdb", "/sys/block/sdc", "/sys/block/sr0",
                          "/sys/block/mmcblk0", "/sys/dev/block", "/dev/disk/by-uuid", "/dev/disk/by-label",
                          "/mnt/usb stick", "/mnt/nfs", "/mnt/ram", "/mnt/cd", "/mnt/iso", "/mnt/data",
                          "/mnt/sshfs", "/mnt/new", "/mnt/sd", "/mnt/floppy", "/mnt/odd", "/bound", "/config"})
      test::RunCommand("mkdir -p '" + root + d + "'");
    test::WriteFile(root + "/sys/block/sda/removable", "0\n");
    test::WriteFile(root + "/sys/block/sdb/removable", "1\n");
    test::WriteFile(root + "/sys/block/sdc/removable", "1\n");
    test::WriteFile(root + "/sys/block/mmcblk0/removable", "1\n");
    test::WriteFile(root + "/sys/block/sr0/removable", "1\n");
    test::WriteFile(root + "/sys/block/sr0/dev", "11:0\n");
    symlink("../../devices/pci0/usb1/block/sdc/sdc1", (root + "/sys/dev/block/8:33").c_str());
    symlink("../../sdb1", (root + "/dev/disk/by-uuid/ABCD-1234").c_str());
    symlink("../../sdb1", (root + "/dev/disk/by-label/MY\\x20STICK").c_str());
    symlink("../../sda1", (root + "/dev/disk/by-uuid/1111-2222").c_str());
    symlink("../../sdc1", (root + "/dev/disk/by-label/\\x83e\\x83X\\x83g").c_str());  // cp932 bytes
    symlink("../../sr0", (root + "/dev/disk/by-label/データ").c_str());
    symlink("../../sr0", (root + "/dev/disk/by-uuid/2019-05-12-10-22-33-00").c_str());
    config.mountinfo = root + "/mountinfo";
    config.sys_root = root + "/sys";
    config.dev_root = root + "/dev";
    config.map_file = root + "/config/Ferrovan.drives";
    config.probe_devices = false;
    config.run_eject = false;
    WriteMounts(true, true);
  }

  void WriteMounts(bool usb, bool disc, const std::string& extra = "") {
    std::string r = root;
    std::string t = "22 28 0:21 / /proc rw - proc proc rw\n"
                    "28 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                    "40 28 0:40 / /run/user/1000 rw - tmpfs tmpfs rw\n";
    if (usb) t += "50 28 8:17 / " + r + "/mnt/usb\\040stick rw shared:5 - vfat /dev/sdb1 rw\n";
    t += "51 28 0:50 / " + r + "/mnt/nfs rw - nfs4 server:/export rw\n";
    t += "52 28 0:51 / " + r + "/mnt/ram rw - tmpfs tmpfs rw\n";
    if (disc) t += "53 28 11:0 / " + r + "/mnt/cd ro - iso9660 /dev/sr0 ro\n";
    t += "54 28 7:0 / " + r + "/mnt/iso ro - udf /dev/loop0 ro\n";
    t += "55 28 0:60 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n";
    t += "56 28 8:2 / " + r + "/mnt/data rw - ext4 /dev/sda2 rw\n";
    t += "58 28 0:80 / " + r + "/mnt/sshfs rw - fuse.sshfs user@host:/ rw\n";
    t += extra;
    test::WriteFile(config.mountinfo, t);
  }

  std::string Summary(LinuxDriveTable& table) {
    std::string s;
    for (const DriveEntry& d : table.List()) {
      std::string root_shown = d.root.rfind(root, 0) == 0 ? d.root.substr(root.size()) : d.root;
      s += std::string(1, d.letter) + "=" + std::to_string(static_cast<int>(d.type)) + ":" + root_shown + " ";
    }
    return s;
  }

  std::string root;
  LinuxDriveTableConfig config;
};

TEST_F(DriveTableTest, LettersTypesAndPersistence) {
  LinuxDriveTable table(config);
  // "/" is C; the rest take D.. in the order first seen; the disc in the
  // optical drive belongs to the drive's own letter (J), not a mount letter.
  const std::string expected =
      "C=3:/ D=2:/mnt/usb stick E=4:/mnt/nfs F=6:/mnt/ram G=5:/mnt/iso H=3:/mnt/data I=4:/mnt/sshfs "
      "J=5:/mnt/cd ";
  EXPECT_EQ(Summary(table), expected);
  auto j = table.Find('j');
  ASSERT_TRUE(j);
  EXPECT_EQ(j->source, DriveSource::Optical);
  EXPECT_EQ(j->device, "/dev/sr0");
  EXPECT_EQ(table.Find('D')->device, "/dev/sdb1");
  EXPECT_EQ(table.Find('D')->fstype, "vfat");
  EXPECT_FALSE(table.Find('K'));
  EXPECT_FALSE(table.Find('1'));
  EXPECT_EQ(table.TypeOf('K'), DriveType::NoRootDir);

  // A new run reads the same letters back; the map file was written whole.
  LinuxDriveTable again(config);
  EXPECT_EQ(Summary(again), expected);
  EXPECT_FALSE(Platform().files->Exists(config.map_file + "." + std::to_string(getpid()) + ".tmp"));

  // The stick and the disc go away: the stick's letter is kept for it, the
  // optical drive stays with no root; a new mount takes the next free letter.
  WriteMounts(false, false, "60 28 0:90 / " + root + "/mnt/new rw - ext4 /dev/sda3 rw\n");
  EXPECT_EQ(Summary(table),
            "C=3:/ E=4:/mnt/nfs F=6:/mnt/ram G=5:/mnt/iso H=3:/mnt/data I=4:/mnt/sshfs J=5: K=3:/mnt/new ");
  EXPECT_EQ(table.ClusterSize('J'), 0);
  EXPECT_EQ(table.FreeSpace('J'), -1.0);
  DriveVolume v;
  EXPECT_FALSE(table.Volume('J', v));
  // Back again: the same letters.
  WriteMounts(true, true, "60 28 0:90 / " + root + "/mnt/new rw - ext4 /dev/sda3 rw\n");
  EXPECT_EQ(table.Find('D')->root, root + "/mnt/usb stick");
  EXPECT_EQ(table.Find('J')->root, root + "/mnt/cd");
  EXPECT_EQ(table.Find('K')->root, root + "/mnt/new");
}

TEST_F(DriveTableTest, RemovableDetectionAndFloppyLetters) {
  WriteMounts(false, false,
              "70 28 179:1 / " + root + "/mnt/sd rw - vfat /dev/mmcblk0p1 rw\n"
              "71 28 2:0 / " + root + "/mnt/floppy rw - vfat /dev/fd0 rw\n"
              "72 28 8:33 / " + root + "/mnt/odd rw - ext4 /dev/disk/by-id/usb-x-part1 rw\n");
  LinuxDriveTable table(config);
  EXPECT_EQ(table.Find('A')->root, root + "/mnt/floppy");
  EXPECT_EQ(table.TypeOf('A'), DriveType::Removable);
  EXPECT_EQ(DriveKindOfType(table.TypeOf('A'), 'A'), kKindFloppy);
  for (const DriveEntry& d : table.List()) {
    if (d.root == root + "/mnt/sd" || d.root == root + "/mnt/odd") {
      EXPECT_EQ(d.type, DriveType::Removable) << d.root;
      EXPECT_EQ(DriveKindOfType(d.type, d.letter), kKindRemovable);
    }
  }
}

TEST_F(DriveTableTest, VolumeLabelsAndSerials) {
  LinuxDriveTable table(config);
  DriveVolume v;
  ASSERT_TRUE(table.Volume('D', v));  // from the by-uuid and by-label links
  EXPECT_EQ(v.label, "MY STICK");
  EXPECT_EQ(v.serial, "ABCD1234");
  struct statvfs vfs;
  ASSERT_EQ(statvfs(root.c_str(), &vfs), 0);
  EXPECT_EQ(v.max_component_length, vfs.f_namemax);
  EXPECT_EQ(table.ClusterSize('D'), static_cast<std::int32_t>(vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize));
  EXPECT_GE(table.FreeSpace('D'), 0.0);

  ASSERT_TRUE(table.Volume('J', v));  // a UTF-8 label converts to cp932
  EXPECT_EQ(v.label, Sj("データ"));
  EXPECT_EQ(v.serial, "303B3612");

  // No links for sda2: no label, a serial from the filesystem id.
  ASSERT_TRUE(table.Volume('H', v));
  EXPECT_EQ(v.label, "");
  EXPECT_GE(v.serial.size(), 4u);
  EXPECT_EQ(v.serial.find_first_not_of("0123456789ABCDEF"), std::string::npos);

  // A label that is not UTF-8 was written by a Japanese system: cp932 kept.
  WriteMounts(false, false, "72 28 8:33 / " + root + "/mnt/odd rw - ext4 /dev/sdc1 rw\n");
  char odd = 0;
  for (const DriveEntry& d : table.List())
    if (d.root == root + "/mnt/odd") odd = d.letter;
  ASSERT_TRUE(table.Volume(odd, v));
  EXPECT_EQ(v.label, Sj("テスト"));

  EXPECT_FALSE(table.Volume('Q', v));
  EXPECT_EQ(v.serial, "");
  EXPECT_EQ(table.ClusterSize('Q'), 0);
  EXPECT_EQ(table.FreeSpace('Q'), -1.0);
}

TEST_F(DriveTableTest, LabelAndUuidProbedFromTheDevice) {
  // A filesystem image stands in for the device node.
  const std::string image = root + "/dev/sda9";
  if (test::RunCommand("PATH=$PATH:/usr/sbin:/sbin mke2fs -q -F -t ext2 -L 'ラベル' "
                       "-U 3e6be9de-8139-11d1-9106-a43f08d823a6 '" + image + "' 1024 >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "mke2fs is not available";
  WriteMounts(false, false, "80 28 8:9 / " + root + "/mnt/new rw - ext2 /dev/sda9 rw\n");
  config.probe_devices = true;
  LinuxDriveTable table(config);
  char letter = 0;
  for (const DriveEntry& d : table.List())
    if (d.root == root + "/mnt/new") letter = d.letter;
  DriveVolume v;
  ASSERT_TRUE(table.Volume(letter, v));
  EXPECT_EQ(v.label, Sj("ラベル"));
  EXPECT_EQ(v.serial, "268C7F96");
}

TEST_F(DriveTableTest, FolderBindings) {
  LinuxDriveTable table(config);
  std::string err;
  const std::string folder = root + "/bound";
  test::WriteFile(root + "/file", "x");
  struct {
    char letter;
    std::string folder;
  } refused[] = {{'C', folder}, {'D', folder}, {'J', folder}, {'X', root + "/missing"}, {'X', root + "/file"},
                 {'1', folder}, {'[', folder}};
  for (const auto& c : refused) {
    err.clear();
    EXPECT_EQ(table.Bind(c.letter, c.folder, err), DriveEdit::Refused) << c.letter << " " << c.folder;
    EXPECT_FALSE(err.empty());
  }

  ASSERT_EQ(table.Bind('x', folder, err), DriveEdit::Done) << err;
  auto x = table.Find('X');
  ASSERT_TRUE(x);
  EXPECT_EQ(x->source, DriveSource::Binding);
  EXPECT_EQ(x->root, folder);
  EXPECT_EQ(x->type, DriveType::Fixed);  // the type of the filesystem holding it
  DriveVolume v;
  ASSERT_TRUE(table.Volume('X', v));  // the volume that holds the folder: "/" on sda1
  EXPECT_EQ(v.serial, "11112222");
  EXPECT_EQ(table.Bind('X', root + "/mnt", err), DriveEdit::Refused);

  // The letter for a folder: a drive's root, an existing binding, else a new
  // binding from Z down.
  EXPECT_EQ(table.LetterForFolder(root + "/mnt/data", err), 'H');
  EXPECT_EQ(table.LetterForFolder(folder + "/", err), 'X');
  EXPECT_EQ(table.LetterForFolder(root + "/mnt", err), 'Z');
  EXPECT_EQ(table.LetterForFolder(root + "/mnt/../mnt", err), 'Z');
  EXPECT_EQ(table.LetterForFolder(root + "/missing", err), 0);

  // A bound folder that disappears: no root directory.
  test::RunCommand("rmdir '" + folder + "'");
  EXPECT_EQ(table.TypeOf('X'), DriveType::NoRootDir);
  EXPECT_EQ(DriveKindOfType(table.TypeOf('X'), 'X'), kKindNoRoot);
  EXPECT_FALSE(table.Volume('X', v));
  EXPECT_EQ(table.ClusterSize('X'), 0);

  // Unbinding: bindings, and letters kept for absent mount points.
  EXPECT_EQ(table.Unbind('X', err), DriveEdit::Done);
  EXPECT_FALSE(table.Find('X'));
  EXPECT_EQ(table.Unbind('X', err), DriveEdit::Refused);
  EXPECT_EQ(table.Unbind('C', err), DriveEdit::Refused);
  EXPECT_EQ(table.Unbind('D', err), DriveEdit::Refused);  // mounted now
  WriteMounts(false, true);
  EXPECT_EQ(table.Bind('D', root + "/mnt", err), DriveEdit::Refused);  // kept for the stick
  EXPECT_EQ(table.Unbind('D', err), DriveEdit::Done);
  ASSERT_EQ(table.Bind('D', root + "/mnt", err), DriveEdit::Done);
  WriteMounts(true, true);
  EXPECT_EQ(table.Find('D')->source, DriveSource::Binding);
  EXPECT_EQ(table.Find('K')->root, root + "/mnt/usb stick");  // the stick's new letter
}

TEST_F(DriveTableTest, MapFileEscapingAndDamage) {
  const std::string odd = root + "/tab\there";
  test::RunCommand("mkdir -p \"" + root + "/tab\there\"");
  LinuxDriveTable table(config);
  std::string err;
  ASSERT_EQ(table.Bind('Y', odd, err), DriveEdit::Done);
  EXPECT_EQ(LinuxDriveTable(config).Find('Y')->root, odd);

  // Lines that do not parse are ignored; "/" stays C whatever the file says.
  test::WriteFile(config.map_file, "C\tfolder\t/home\nnonsense\nQ\tweird\t/x\nR\tfolder\trelative\nY\tfolder\t" +
                                       odd.substr(0, odd.find('\t')) + "\\there\n");
  LinuxDriveTable damaged(config);
  EXPECT_EQ(damaged.Find('C')->root, "/");
  EXPECT_EQ(damaged.Find('C')->source, DriveSource::Mount);
  EXPECT_FALSE(damaged.Find('Q'));
  EXPECT_FALSE(damaged.Find('R'));
  EXPECT_EQ(damaged.Find('Y')->root, odd);

  // A map that cannot be written: bind says so, the table still works.
  config.map_file = root + "/file-not-folder/Ferrovan.drives";
  test::WriteFile(root + "/file-not-folder", "");
  LinuxDriveTable unwritable(config);
  EXPECT_EQ(unwritable.Find('C')->root, "/");
  EXPECT_EQ(unwritable.Bind('W', root + "/bound", err), DriveEdit::WriteFailed);
}

TEST_F(DriveTableTest, LettersRunOut) {
  // D..Z all kept for mount points that are not mounted: a new mount takes
  // the first of those letters; a present one is never taken.
  std::string map;
  for (char l = 'D'; l <= 'Z'; ++l) map += std::string(1, l) + "\tmount\t/gone/" + l + "\n";
  test::WriteFile(config.map_file, map);
  WriteMounts(false, false);
  LinuxDriveTable table(config);
  auto all = table.List();
  ASSERT_EQ(all.size(), 7u);  // C, five mounts and the optical drive
  EXPECT_EQ(all[1].letter, 'D');
  EXPECT_EQ(all.back().letter, 'I');
  std::string err;
  EXPECT_EQ(table.LetterForFolder(root + "/bound", err), 0);
  EXPECT_FALSE(err.empty());
}

class FakeTable : public DriveTable {
 public:
  std::vector<DriveEntry> List() override { return {entry}; }
  std::optional<DriveEntry> Find(char letter) override {
    if (letter == entry.letter) return entry;
    return std::nullopt;
  }
  bool Volume(char, DriveVolume& out) override {
    out = {"LBL", "ABCD", 255};
    return true;
  }
  std::int32_t ClusterSize(char) override { return 2048; }
  double FreeSpace(char) override { return 1.5; }
  void Eject(char letter) override { ejected += letter; }
  DriveEdit Bind(char, const std::string&, std::string&) override { return DriveEdit::Refused; }
  DriveEdit Unbind(char, std::string&) override { return DriveEdit::Refused; }
  char LetterForFolder(const std::string&, std::string&) override { return 0; }
  DriveEntry entry;
  std::string ejected;
};

TEST(DriveQueriesTest, KindsAndQueriesComeFromThePlatformTable) {
  struct {
    DriveType type;
    char letter;
    int kind;
  } kinds[] = {{DriveType::NoRootDir, 'C', 0}, {DriveType::Removable, 'A', 1}, {DriveType::Removable, 'b', 1},
               {DriveType::Removable, 'E', 3}, {DriveType::Fixed, 'C', 2},     {DriveType::Remote, 'N', 5},
               {DriveType::CdRom, 'Q', 4},     {DriveType::RamDisk, 'R', 6},   {DriveType::Unknown, 'S', 7}};
  for (const auto& k : kinds) EXPECT_EQ(DriveKindOfType(k.type, k.letter), k.kind) << k.letter;

  test::PlatformScope scope;
  FakeTable fake;
  fake.entry.letter = 'Q';
  fake.entry.type = DriveType::CdRom;
  fake.entry.root = "/media/cd";
  Platform().drives = &fake;
  EXPECT_EQ(DriveKindOf("q"), kKindOptical);
  EXPECT_EQ(DriveKindOf("P"), kKindNoRoot);
  EXPECT_EQ(Drives().RootPath('Q'), "/media/cd");
  EXPECT_TRUE(DriveReady(DriveNumber('Q')));
  VolumeText v;
  ASSERT_TRUE(VolumeInfo("Q:", v));
  EXPECT_EQ(v.label, "LBL");
  EXPECT_EQ(v.serial, "ABCD");
  EXPECT_EQ(v.max_length, "255");
  Drives().Eject('Q');
  EXPECT_EQ(fake.ejected, "Q");
}

TEST(DrivesCliTest, BindUnbindAndListing) {
  const std::string cli = FERROVAN_CLI_PATH;
  std::string dir = test::MakeTempDir(), out;
  EXPECT_EQ(test::RunCommand(cli + " bind y '" + dir + "' 2>/dev/null"), 0);
  ASSERT_EQ(test::RunCommand(cli + " drives", &out), 0);
  EXPECT_NE(out.find("\nY\t"), std::string::npos) << out;
  EXPECT_NE(out.find("\t" + dir + "\t"), std::string::npos) << out;
  EXPECT_EQ(out.rfind("C\t", 0), 0u) << out;
  // Each line: letter, kind, root, label, serial, cluster size, free space.
  std::size_t tabs = 0;
  for (char c : out.substr(0, out.find('\n'))) tabs += c == '\t';
  EXPECT_EQ(tabs, 6u);

  for (std::string bad : {"bind y /tmp", "bind Y: /nonexistent-folder", "bind 7 /tmp", "bind y", "unbind q",
                          "unbind c", "unbind", "drives extra"})
    EXPECT_EQ(test::RunCommand(cli + " " + bad + " 2>/dev/null"), 2) << bad;
  EXPECT_EQ(test::RunCommand(cli + " unbind Y: 2>/dev/null"), 0);
  ASSERT_EQ(test::RunCommand(cli + " drives", &out), 0);
  EXPECT_EQ(out.find("\nY\t"), std::string::npos);
}

}  // namespace
}  // namespace fv
