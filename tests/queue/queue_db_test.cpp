// The queue's database file: byte layout, import checks against damaged files, all-or-nothing
// export, and engine_probe's db verb.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "Pellamor/DLG/DRSaveBox/QueueDb.h"
#include "corvane/module_table.h"
#include "platform/endian.h"
#include "platform/message.h"
#include "tests/support/test_support.h"

namespace {

using drsave::DbDrive;
using drsave::DbHeader;
using drsave::QueueItem;
using testing_support::TempDir;
using Bytes = std::vector<std::uint8_t>;

constexpr DbDrive kDrive{u'E', 3};
constexpr SYSTEMTIME kTime{2010, 3, 1, 1, 18, 12, 11, 500};  // Monday 2010-03-01

// Little-endian byte builder for hand-made files.
struct Builder {
  Bytes b;
  Builder& U8(std::uint8_t v) { return b.push_back(v), *this; }
  Builder& U16(std::uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  Builder& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Builder& U64(std::uint64_t v) { return U32(static_cast<std::uint32_t>(v)).U32(v >> 32); }
  Builder& Raw(std::initializer_list<std::uint8_t> v) { return b.insert(b.end(), v), *this; }
  // Tagged, with the short or the 16-bit length form.
  Builder& Text(std::u16string_view s) {
    U8(0xFF).U16(0xFFFE);
    if (s.size() < 255)
      U8(static_cast<std::uint8_t>(s.size()));
    else
      U8(0xFF).U16(static_cast<std::uint16_t>(s.size()));
    for (char16_t c : s) U16(c);
    return *this;
  }
};

std::string ToString(const Bytes& b) { return std::string(b.begin(), b.end()); }
Bytes ToBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

DbHeader Header(std::uint64_t count, std::uint32_t type = 3, char16_t letter = u'E') {
  DbHeader h;
  h.time = kTime;
  h.count = count;
  h.typeCode = type;
  h.letter = letter;
  return h;
}

QueueItem Item(std::u16string name, std::u16string folder = {}) {
  QueueItem i;
  i.name = std::move(name);
  i.sizeText = u"1.00 KB";
  i.methodText = u"기본";
  i.clusterText = u"5";
  i.saveFolder = std::move(folder);
  i.typeName = u"문서";
  i.size = 1024;
  i.addedCluster = i.firstCluster = 5;
  return i;
}

std::vector<std::u16string> Names(const std::vector<QueueItem>& items) {
  std::vector<std::u16string> out;
  for (const QueueItem& i : items) out.push_back(i.name);
  return out;
}

struct Imported {
  drsave::ImportResult result;
  std::vector<std::u16string> texts;
};

Imported Import(const std::string& path, std::size_t queued = 0, DbDrive drive = kDrive) {
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  Imported out;
  out.result = drsave::ImportQueueDb(path, drive, queued);
  out.texts = sink.Texts();
  return out;
}

bool HasText(const std::vector<std::u16string>& texts, std::u16string_view text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool HasTextStarting(const std::vector<std::u16string>& texts, std::u16string_view head) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::u16string& t) { return t.rfind(head, 0) == 0; });
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// ---- A file made byte by byte from the layout ---------------------------------------------

TEST(QueueDbImport, HandBuiltFileTakesEveryField) {
  TempDir dir;
  const std::u16string folder = platform::FromUtf8(dir.path());
  Builder f;
  f.b.assign(drsave::kDbHeaderSize, 0);
  const std::uint16_t time[8] = {2010, 3, 0, 7, 9, 5, 3, 0};  // Sunday
  for (int i = 0; i < 8; ++i) platform::PutLe16(&f.b[8192 + 2 * i], time[i]);
  platform::PutLe64(&f.b[8208], 2);
  platform::PutLe32(&f.b[8216], 3);
  platform::PutLe32(&f.b[8224], u'E');
  // Item 1: every string tagged, the note in the 16-bit length form.
  const std::u16string note(300, u'가');
  f.Text(u"보고서.txt").Text(u"12.00 KB").Text(u"선형").Text(u"1234").Text(u"실패").Text(folder).Text(u"첫 사본");
  f.U32(1).U32(17).Text(u"텍스트 문서").U64(12288).U32(0).U32(1).U32(1).Text(note);
  f.U64(0x1'0000'0007ull).U32(drsave::kFatDeletedReference).U32(1);
  // Item 2: untagged ANSI strings ("한글.txt" in the Korean code page), done.
  f.Raw({8, 0xC7, 0xD1, 0xB1, 0xDB, '.', 't', 'x', 't'}).Raw({0}).Raw({0}).Raw({0}).Raw({4, 0xBC, 0xBA, 0xB0, 0xF8});
  f.Raw({0}).Raw({0}).U32(0).U32(3).Raw({1, 'T'}).U64(0).U32(1).U32(0).U32(0).Raw({0}).U64(42).U32(0x20).U32(2);
  const std::string path = dir.File("hand.db");
  testing_support::WriteFile(path, ToString(f.b));

  const Imported got = Import(path);
  ASSERT_TRUE(got.result.accepted);
  ASSERT_EQ(got.result.items.size(), 2u);
  EXPECT_TRUE(HasText(got.texts, u"파일: hand.db (2) \r\n\n(E:) 로컬디스크 FAT32 \r\n\n저장일시: 2010년 03월 07일 (일) "
                                 u"09:05:03 \r\n\n"));
  EXPECT_EQ(got.texts.back(), u"가져오기 성공\r\n\n파일: hand.db (2/2)");

  QueueItem want;
  want.name = u"보고서.txt";
  want.sizeText = u"12.00 KB";
  want.methodText = u"선형";
  want.clusterText = u"1234";
  want.stateText = u"실패";
  want.saveFolder = folder;
  want.typeName = u"텍스트 문서";  // the second copy
  want.note = note;
  want.tick = 1;
  want.iconIndex = 17;
  want.size = 12288;
  want.done = 0;
  want.deleteMark = 0;  // a stale mark is not taken over
  want.held = 1;
  want.addedCluster = want.firstCluster = 0x1'0000'0007ull;
  want.entryReference = drsave::kFatDeletedReference;
  want.methodCode = 1;
  EXPECT_EQ(got.result.items[0], want);

  const QueueItem& b = got.result.items[1];
  EXPECT_EQ(b.name, u"한글.txt");
  EXPECT_EQ(b.stateText, u"성공");
  EXPECT_EQ(b.typeName, u"T");
  EXPECT_EQ(b.done, 1u);
  EXPECT_EQ(b.firstCluster, 42u);
  EXPECT_EQ(b.entryReference, 0x20u);
  EXPECT_EQ(b.methodCode, 2u);
  EXPECT_EQ(b.iconIndex, 3u);
}

// ---- Export and import round trip ----------------------------------------------------------

TEST(QueueDbExport, RoundTripKeepsEveryFieldAndWritesTheHeaderLayout) {
  TempDir dir;
  const std::u16string folder = platform::FromUtf8(dir.path());
  std::vector<QueueItem> items = {Item(u"보류된 파일.hwp", folder), Item(u"done.bin", folder), Item(u""),
                                  Item(std::u16string(300, u'x'), folder)};
  items[0].held = 1;
  items[1].done = 1;
  items[1].stateText = u"성공";
  items[1].entryReference = drsave::kFatDeletedReference;
  items[1].methodCode = drsave::kMethodLinear;
  items[2].sizeText = items[2].methodText = items[2].clusterText = items[2].typeName = u"";
  items[3].note = std::u16string(300, u'노');
  items[3].addedCluster = items[3].firstCluster = 0xFFFF'FFFF'FFFF'FFFEull;
  items[3].size = 0x1'2345'6789ull;
  const std::string path = dir.File("queue.db");
  {
    platform::RecordingMessageSink sink;
    platform::ScopedMessageSink guard(&sink);
    ASSERT_TRUE(drsave::ExportQueueDb(path, items, kDrive, kTime));
    EXPECT_EQ(sink.Texts(), std::vector<std::u16string>{u"내보내기 성공\r\n\n저장된 파일: queue.db (4/4)"});
  }
  const Bytes file = ToBytes(testing_support::ReadFile(path));
  ASSERT_GT(file.size(), drsave::kDbHeaderSize);

  VERSIONRECORD version;
  module_versions::FillVersionRecord("DB_SAVEBOX", &version);
  for (int i = 0; i < 1024; ++i) {
    ASSERT_EQ(platform::Le32(&file[4 * i]), version.common[i]) << i;
    ASSERT_EQ(platform::Le32(&file[4096 + 4 * i]), version.module[i]) << i;
  }
  EXPECT_EQ(platform::Le32(&file[4096]), 5u);  // DB_SAVEBOX 5.0.0.0
  const std::uint16_t time[8] = {2010, 3, 1, 1, 18, 12, 11, 500};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(platform::Le16(&file[8192 + 2 * i]), time[i]) << i;
  EXPECT_EQ(platform::Le64(&file[8208]), 4u);
  EXPECT_EQ(platform::Le32(&file[8216]), 3u);
  EXPECT_EQ(platform::Le32(&file[8220]), 0u);
  EXPECT_EQ(platform::Le32(&file[8224]), static_cast<std::uint32_t>(u'E'));
  EXPECT_TRUE(std::all_of(&file[8228], &file[20504], [](std::uint8_t b) { return b == 0; }));
  // The first item's name: tag, one-byte length, UTF-16LE.
  const Bytes firstName = {0xFF, 0xFE, 0xFF, 10, 0xF4, 0xBC};  // 10 characters, U+BCF4 '보'
  EXPECT_TRUE(std::equal(firstName.begin(), firstName.end(), file.begin() + 20504));
  // The 300-character name in the 16-bit length form.
  Builder longName;
  longName.Text(items[3].name);
  EXPECT_NE(std::search(file.begin(), file.end(), longName.b.begin(), longName.b.begin() + 6), file.end());
  EXPECT_EQ(Bytes(longName.b.begin(), longName.b.begin() + 6), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01}));

  const Imported got = Import(path);
  ASSERT_TRUE(got.result.accepted);
  EXPECT_EQ(got.result.items, items);
  EXPECT_EQ(got.texts.back(), u"가져오기 성공\r\n\n파일: queue.db (4/4)");
}

TEST(QueueDbCodec, StringLengthFormsReadBack) {
  for (std::size_t n : {0u, 254u, 255u, 0xFFFDu, 0xFFFEu, 70000u}) {
    SCOPED_TRACE(n);
    const std::u16string text(n, u'ㄱ');
    Bytes b;
    drsave::AppendArchiveString(text, &b);
    const std::size_t head = n < 255 ? 4 : n < 0xFFFE ? 6 : 10;
    ASSERT_EQ(b.size(), head + 2 * n);
    drsave::ArchiveReader r(b.data(), b.size());
    std::u16string back;
    ASSERT_TRUE(r.String(&back));
    EXPECT_EQ(back, text);
    EXPECT_EQ(r.Left(), 0u);
    drsave::ArchiveReader cut(b.data(), b.size() - 1);
    EXPECT_FALSE(cut.String(&back));
  }
}

TEST(QueueDbImport, HandMadeItemKeepsItsTypedCluster) {
  TempDir dir;
  QueueItem item = drsave::MakeHandMadeItem(u"sector.raw", drsave::kMethodSector, 777, 4096);
  EXPECT_EQ(item.addedCluster, 777u);
  EXPECT_EQ(item.methodText, u"섹터");
  EXPECT_EQ(item.clusterText, u"777");
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  ASSERT_TRUE(drsave::ExportQueueDb(dir.File("h.db"), {item}, kDrive, kTime));
  const Imported got = Import(dir.File("h.db"));
  ASSERT_EQ(got.result.items.size(), 1u);
  EXPECT_EQ(got.result.items[0].firstCluster, 777u);
  EXPECT_EQ(got.result.items[0].methodCode, drsave::kMethodSector);
}

TEST(QueueDbImport, QueueThatHoldsItemsIsKeptOrEmptiedAsAnswered) {
  TempDir dir;
  {
    platform::RecordingMessageSink sink;
    platform::ScopedMessageSink guard(&sink);
    ASSERT_TRUE(drsave::ExportQueueDb(dir.File("q.db"), {Item(u"a")}, kDrive, kTime));
  }
  for (auto answer : {platform::MsgAnswer::Ok, platform::MsgAnswer::Cancel}) {
    platform::RecordingMessageSink sink;
    platform::ScopedMessageSink guard(&sink);
    sink.QueueAnswer(platform::MsgAnswer::Ok);  // the file's description
    sink.QueueAnswer(answer);                   // keep the queue's items?
    const drsave::ImportResult r = drsave::ImportQueueDb(dir.File("q.db"), kDrive, 3);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.clearQueue, answer == platform::MsgAnswer::Cancel);
    EXPECT_TRUE(sink.Saw(u"기존 목록에 추가합니다.\r\n\n취소를 누르면 기존 목록을 비웁니다."));
  }
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  sink.QueueAnswer(platform::MsgAnswer::Cancel);
  EXPECT_FALSE(drsave::ImportQueueDb(dir.File("q.db"), kDrive, 0).accepted);
  EXPECT_EQ(sink.Texts().size(), 1u);
}

// ---- Damaged and foreign files ---------------------------------------------------------------

struct CorruptCase {
  const char* what;
  std::function<Bytes()> file;
  bool accepted;
  std::vector<std::u16string> names;
  std::u16string text;  // shown among the messages
  std::function<void(const drsave::ImportResult&)> check;
};

Bytes Encoded(const DbHeader& h, const std::vector<QueueItem>& items) { return drsave::EncodeQueueDb(h, items); }

// Two good items, then one whose name string starts with the given length bytes.
Bytes WithBadLength(std::initializer_list<std::uint8_t> lengthBytes) {
  Bytes b = Encoded(Header(3), {Item(u"a"), Item(u"b")});
  b.insert(b.end(), lengthBytes);
  b.insert(b.end(), 64, 'z');
  return b;
}

TEST(QueueDbImport, DamagedOrForeignFilesAreRefusedOrReadAsFarAsTheyHold) {
  TempDir dir;
  const std::u16string folder = platform::FromUtf8(dir.path());
  const std::u16string ok = u"가져오기 성공\r\n\n파일: c.db ";
  const std::vector<CorruptCase> cases = {
      {"19,000 bytes", [] { return Bytes(19000, 0); }, false, {},
       u"가져오기 실패\r\n\n데이터베이스 크기가 최소치보다 작습니다.", nullptr},
      {"header only", [] { return Encoded(Header(0), {}); }, true, {},
       u"가져오기 실패\r\n\n가져온 목록이 추가되지 않았습니다.", nullptr},
      {"count 2^64-1 with two items", [] { return Encoded(Header(UINT64_MAX), {Item(u"a"), Item(u"b")}); }, true,
       {u"a", u"b"}, ok + u"(2/18446744073709551615)", nullptr},
      {"item cut mid-string",
       [] {
         Bytes b = Encoded(Header(2), {Item(u"a"), Item(u"bbbbbbbb")});
         const std::size_t second = Encoded(Header(1), {Item(u"a")}).size();
         b.resize(second + 4 + 5);  // tag, length, two and a half characters
         return b;
       },
       true, {u"a"}, ok + u"(1/2)", nullptr},
      {"item cut in its last number",
       [] {
         Bytes b = Encoded(Header(2), {Item(u"a"), Item(u"b")});
         b.pop_back();
         return b;
       },
       true, {u"a"}, ok + u"(1/2)", nullptr},
      {"length 0xFFFFFFFF", [] { return WithBadLength({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}); },
       true, {u"a", u"b"}, ok + u"(2/3)", nullptr},
      {"length 0xFFFFFFFE", [] { return WithBadLength({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}); },
       true, {u"a", u"b"}, ok + u"(2/3)", nullptr},
      {"untagged length 0xFFFFFFFE", [] { return WithBadLength({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}); },
       true, {u"a", u"b"}, ok + u"(2/3)", nullptr},
      {"weekday 9",
       [] {
         DbHeader h = Header(1);
         h.time.wDayOfWeek = 9;
         return Encoded(h, {Item(u"a")});
       },
       true, {u"a"}, u"파일: c.db (1) \r\n\n(E:) 로컬디스크 FAT32 \r\n\n저장일시: 2010년 03월 01일  18:12:11 \r\n\n", nullptr},
      {"names ../x, a/b, .., NUL",
       [] {
         return Encoded(Header(5), {Item(u"../x"), Item(u"kept"), Item(u"a/b"), Item(u".."),
                                    Item(std::u16string(u"a\0b", 3))});
       },
       true, {u"kept"}, ok + u"(1/5)", [](const drsave::ImportResult& r) { EXPECT_EQ(r.dropped, 4u); }},
      {"folder C:\\out",
       [folder] { return Encoded(Header(2), {Item(u"a", u"C:\\out"), Item(u"b", folder)}); }, true, {u"a", u"b"},
       ok + u"(2/2)",
       [folder](const drsave::ImportResult& r) {
         EXPECT_EQ(r.items[0].saveFolder, u"");
         EXPECT_EQ(r.items[1].saveFolder, folder);
       }},
      {"relative or missing folder",
       [folder] { return Encoded(Header(2), {Item(u"a", u"out"), Item(u"b", folder + u"/missing")}); }, true,
       {u"a", u"b"}, ok + u"(2/2)",
       [](const drsave::ImportResult& r) {
         EXPECT_EQ(r.items[0].saveFolder, u"");
         EXPECT_EQ(r.items[1].saveFolder, u"");
       }},
      {"another type code", [] { return Encoded(Header(1, 4), {Item(u"a")}); }, false, {},
       u"가져오기 허용안함\r\n\n임시보관함 데이터베이스 정보는 NTFS 파일 시스템의 것으로 현재 작업중인 (E:) "
       u"드라이브의 FAT32 파일 시스템이 아닙니다.",
       nullptr},
      {"unknown type code", [] { return Encoded(Header(1, 5), {Item(u"a")}); }, false, {},
       u"가져오기 허용안함\r\n\n임시보관함 데이터베이스 정보는 5 파일 시스템의 것으로 현재 작업중인 (E:) "
       u"드라이브의 FAT32 파일 시스템이 아닙니다.",
       nullptr},
      {"another letter", [] { return Encoded(Header(1, 3, u'F'), {Item(u"a")}); }, false, {},
       u"가져오기 허용안함\r\n\n임시보관함 데이터베이스 정보는 (F:) 드라이브의 것으로 현재 작업중인 (E) 드라이브가 "
       u"아닙니다.\r\n\n(이 버전에서는 다중 드라이브 복구가 지원되지 않습니다.)",
       nullptr},
  };
  for (const CorruptCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.File("c.db");
    testing_support::WriteFile(path, ToString(c.file()));
    const Imported got = Import(path);
    EXPECT_EQ(got.result.accepted, c.accepted);
    EXPECT_EQ(Names(got.result.items), c.names);
    EXPECT_TRUE(HasText(got.texts, c.text)) << platform::ToUtf8(got.texts.empty() ? u"" : got.texts.back());
    if (c.check && got.result.items.size() == c.names.size()) c.check(got.result);
  }
}

TEST(QueueDbImport, RefusalsCarryTheFatalReport) {
  TempDir dir;
  testing_support::WriteFile(dir.File("short.db"), std::string(96, '\0'));
  Imported got = Import(dir.File("short.db"));
  EXPECT_TRUE(HasTextStarting(got.texts, u"코드번호: 755C57D2 (#1) \r\n\nMon Mar  1 18:12:11 2010"));
  got = Import(dir.File("absent.db"));
  EXPECT_TRUE(HasText(got.texts, u"가져오기 실패\r\n\n파일을 열 수 없습니다."));
  EXPECT_TRUE(HasTextStarting(got.texts, u"코드번호: 755C57D2 (#3) "));
  testing_support::WriteFile(dir.File("empty.db"), ToString(Encoded(Header(0), {})));
  got = Import(dir.File("empty.db"));
  EXPECT_TRUE(HasTextStarting(got.texts, u"코드번호: 755C57D2 (#2) "));
}

// A FIFO with no writer or a device as the .db file is refused before a read could wait or never
// end, as a file that cannot be opened.
TEST(QueueDbImport, AFifoOrADeviceIsRefusedAtOnce) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.File("fifo.db").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.db"));
  for (const std::string& path : {dir.File("fifo.db"), dir.File("zero.db"), std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    const Imported got = Import(path);
    EXPECT_FALSE(got.result.accepted);
    EXPECT_TRUE(HasText(got.texts, u"가져오기 실패\r\n\n파일을 열 수 없습니다."));
    EXPECT_TRUE(HasTextStarting(got.texts, u"코드번호: 755C57D2 (#3) "));
  }
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"fifo.db", "zero.db"}));
}

// ---- All-or-nothing export -------------------------------------------------------------------

std::vector<QueueItem> ManyItems(int n) {
  std::vector<QueueItem> items;
  for (int i = 0; i < n; ++i) {
    items.push_back(Item(u"file" + drsave::ClusterText(i)));
    items.back().note = std::u16string(300, u'n');
  }
  return items;
}

TEST(QueueDbExport, FailingHalfwayLeavesTheOlderFileAndNoTemporary) {
  TempDir dir;
  const std::string path = dir.File("queue.db");
  const std::string older = "older queue file, not to be touched";
  testing_support::WriteFile(path, older);
  const std::vector<QueueItem> items = ManyItems(40);  // about 20,504 + 40 * 700 bytes
  const rlim_t limit = drsave::kDbHeaderSize + 8000;

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead of ending us
    const rlimit rl{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) _exit(3);
    platform::RecordingMessageSink sink;
    platform::ScopedMessageSink guard(&sink);
    const bool written = drsave::ExportQueueDb(path, items, kDrive, kTime);
    const bool reported = sink.Saw(u"내보내기 실패\r\n\n파일을 저장할 수 없습니다.");
    const auto texts = sink.Texts();
    const bool fatal = texts.size() == 2 && texts[1].rfind(u"코드번호: AA9E8F5B (#2) ", 0) == 0;
    _exit(!written && reported && fatal ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(testing_support::ReadFile(path), older);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"queue.db"});

  // Without the limit the same export replaces the older file whole.
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  ASSERT_TRUE(drsave::ExportQueueDb(path, items, kDrive, kTime));
  EXPECT_EQ(testing_support::ReadFile(path), ToString(Encoded(Header(40), items)));
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"queue.db"});
}

TEST(QueueDbExport, UnwritableFolderReportsAndLeavesNothing) {
  TempDir dir;
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  EXPECT_FALSE(drsave::ExportQueueDb(dir.File("missing/queue.db"), {Item(u"a")}, kDrive, kTime));
  EXPECT_TRUE(sink.Saw(u"내보내기 실패\r\n\n파일을 저장할 수 없습니다."));
  EXPECT_TRUE(Entries(dir.path()).empty());
}

TEST(QueueDbExport, GuardsBeforeTheDialogs) {
  platform::RecordingMessageSink sink;
  platform::ScopedMessageSink guard(&sink);
  EXPECT_FALSE(drsave::ConfirmExportStart(nullptr, 3));
  EXPECT_FALSE(drsave::ConfirmExportStart(&kDrive, 0));
  EXPECT_TRUE(drsave::ConfirmExportStart(&kDrive, 1));
  EXPECT_FALSE(drsave::ConfirmImportStart(nullptr, 0));
  EXPECT_TRUE(drsave::ConfirmImportStart(&kDrive, 0));
  sink.QueueAnswer(platform::MsgAnswer::Cancel);
  EXPECT_FALSE(drsave::ConfirmImportStart(&kDrive, 2));
  EXPECT_EQ(sink.Texts(), (std::vector<std::u16string>{
                              u"드라이브가 닫혀 있습니다.", u"임시보관함이 비어있습니다.", u"드라이브가 닫혀 있습니다.",
                              u"임시보관함이 비어있지 않습니다.\r\n\n계속하시려면 확인을 누르십시오."}));
}

// ---- Item checks -----------------------------------------------------------------------------

TEST(QueueItemChecks, NamesAndFolders) {
  TempDir dir;
  testing_support::WriteFile(dir.File("plain"), "x");
  const struct {
    std::u16string name;
    bool ok;
  } names[] = {{u"", true},      {u"a.txt", true}, {u"..x", true},           {u"a\\b", true},
               {u".", false},    {u"..", false},   {u"../x", false},         {u"a/b", false},
               {u"/abs", false}, {u"x/", false},   {std::u16string(u"a\0", 2), false}};
  for (const auto& n : names) EXPECT_EQ(drsave::IsAcceptableItemName(n.name), n.ok) << platform::ToUtf8(n.name);
  const std::u16string base = platform::FromUtf8(dir.path());
  const struct {
    std::u16string folder;
    bool ok;
  } folders[] = {{base, true},          {base + u"/", true},  {u"", false},           {u"C:\\out", false},
                 {u"out", false},       {base + u"/plain", false}, {base + u"/none", false}};
  for (const auto& f : folders) EXPECT_EQ(drsave::IsUsableSaveFolder(f.folder), f.ok) << platform::ToUtf8(f.folder);
  EXPECT_EQ(drsave::ClusterText(0xFFFF'FFFF'FFFFull), u"281474976710655");
  EXPECT_EQ(drsave::MethodText(3), u"");
}

// ---- engine_probe db -------------------------------------------------------------------------

TEST(EngineProbeDb, PrintsHeaderAndItemsAndRewritesByteForByte) {
  TempDir dir;
  std::vector<QueueItem> items = {Item(u"탭\t이름", platform::FromUtf8(dir.path())), Item(u"b")};
  items[1].held = 1;
  items[1].note = u"메모";
  items[1].addedCluster = items[1].firstCluster = 1ull << 40;
  const std::string in = dir.File("in.db");
  testing_support::WriteFile(in, ToString(Encoded(Header(2), items)));
  const std::string probe = testing_support::BinDir() + "/engine_probe db ";

  auto r = testing_support::Run(probe + in + " --write " + dir.File("out.db"));
  ASSERT_EQ(r.exitCode, 0);
  const auto lines = testing_support::Lines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "2\t3\tFAT32\t0\tE\t2010-03-01 18:12:11.500\t1");
  EXPECT_EQ(lines[1], "탭\\t이름\t1.00 KB\t기본\t5\t\t" + dir.path() + "\t문서\t0\t0\t1024\t0\t0\t0\t\t5\t0\t0");
  EXPECT_EQ(lines[2], "b\t1.00 KB\t기본\t5\t\t\t문서\t0\t0\t1024\t0\t0\t1\t메모\t1099511627776\t0\t0");
  EXPECT_EQ(testing_support::ReadFile(dir.File("out.db")), testing_support::ReadFile(in));

  // A file cut inside its second item: the first item, and the cut on stderr.
  Bytes cut = Encoded(Header(2), items);
  cut.resize(cut.size() - 3);
  testing_support::WriteFile(in, ToString(cut));
  r = testing_support::Run(probe + in + " 2>&1");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("cut short after 1 of 2 items"), std::string::npos) << r.out;
  EXPECT_EQ(testing_support::Lines(r.out).size(), 3u);

  testing_support::WriteFile(in, std::string(19000, '\0'));
  EXPECT_EQ(testing_support::Run(probe + in, true).exitCode, 1);
}

}  // namespace
