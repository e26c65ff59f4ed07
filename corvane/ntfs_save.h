// Saving one found NTFS file out of the raw volume into the save folder.
#pragma once

#include <cstdint>
#include <string>

#include "corvane/ntfs_records.h"
#include "corvane/ntfs_volume.h"
#include "corvane/save_control.h"

// Full path of the file being written; set by SaveNtfsFile, opened by CopyAttributeToFile.
extern std::u16string g_strNtfsSavePath;

// NTSTATUS of a compressed unit that does not decode.
inline constexpr std::uint32_t kStatusBadCompressionBuffer = 0xC0000242;

// Why an NTFS save failed (SaveControl::note).
inline constexpr char16_t kNoteNoUnnamedData[] =
    u"저장할 데이터가 없습니다: 이 파일에는 이름 없는 $DATA 속성이 없습니다.";
inline constexpr char16_t kNoteRunsPastLastVcn[] =
    u"손상된 파일: 데이터 런이 조각의 마지막 VCN보다 많은 클러스터를 가리킵니다.";
inline constexpr char16_t kNoteBadRunList[] = u"손상된 파일: 데이터 런을 해석할 수 없습니다.";
inline constexpr char16_t kNoteBadCompressedUnit[] = u"손상된 파일: 압축 단위를 풀 수 없습니다.";
inline constexpr char16_t kNoteRecordChanged[] =
    u"검색한 뒤에 레코드가 바뀌었습니다. 다시 검색하십시오.";
inline constexpr char16_t kNoteEncryptedFile[] =
    u"암호화된 파일은 복호화할 수 없으므로 저장하지 않았습니다.";

// Saves the unnamed $DATA of record `recordNumber` as folder/name: 1 saved, 0 failed, with the
// reason in control->note (control may be null). `found` is the entry the search made of the
// record (looked up in g_pNtfsEntries when null); a record whose name or parent no longer match
// it has been reused and is refused. fileAttributes are the entry's $STANDARD_INFORMATION flags.
// A failed save leaves the folder as it was, except that a size beyond what the runs map keeps
// the mapped bytes as CopyAttributeToFile says; a file without an unnamed $DATA, or one that
// stays encrypted, is refused.
int SaveNtfsFile(NTFSVOLUMERECORD* state, std::uint32_t recordNumber, std::u16string name,
                 std::u16string folder, std::uint32_t fileAttributes,
                 const NTFSFILEENTRY* found = nullptr, SaveControl* control = nullptr);

// Writes the first dataSize bytes of a non-resident attribute of `length` bytes to
// g_strNtfsSavePath (replacing it): sparse runs as zeros, bytes past the initialized size as
// zeros, compressed units decoded. A size beyond what the runs map is damage: only the mapped
// bytes are written (none when control->keepIncomplete is false) and the result is 0 with a
// note. Runs that map more clusters than the attribute's VCN range are refused before anything
// is written. The state's cancel flag (left as it is found: a pending stop stays pending) or the
// control's hook, asked after every run or compression unit, stop the copy with 0; a stopped or
// failed copy leaves no file.
int CopyAttributeToFile(NTFSVOLUMERECORD* state, const std::uint8_t* attribute,
                        std::uint32_t length, std::uint64_t dataSize,
                        SaveControl* control = nullptr);

// EFS decryption needs the user's keys in a store that only Windows has: always 0, with the
// message of the missing routine.
int DecryptEfsFile(const std::u16string& path);

// Shows the box for a decompression status.
void FormatNtStatusText(std::uint32_t status);
std::u16string NtStatusName(std::uint32_t status);
