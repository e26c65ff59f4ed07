// Saving one file of a FAT12, FAT16 or FAT32 volume into a folder of the user's choice.
//
// The volume is only read. The output file is created (or replaced) in the save folder and
// receives exactly the file's bytes. A save whose clusters cannot reach the recorded size fails,
// keeping what they held; a save ended by a read or write failure or a stop leaves no file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvane/filesystem.h"
#include "corvane/save_control.h"

inline constexpr char16_t kMsgNoSaveFolder[] = u"저장위치가 선택되지 않았습니다.";
inline constexpr char16_t kMsgCannotOpenFile[] = u"파일을 열수 없습니다";
inline constexpr char16_t kMsgDataOverwritten[] =
    u"삭제된 파일의 첫 클러스터를 다른 파일이 사용하고 있습니다. 데이터가 덮어쓰여져 복구할 수 없습니다.";

// Notes of a failed save (SaveControl::note).
inline constexpr char16_t kNoteChainShort[] =
    u"클러스터 체인이 기록된 크기보다 짧습니다. 체인이 가리키는 부분만 원래 이름으로 저장했습니다.";
inline constexpr char16_t kNoteDeletedChainShort[] =
    u"삭제된 파일의 클러스터 체인은 첫 클러스터에서 끝납니다. 첫 클러스터만 원래 이름으로 저장했습니다. "
    u"삭제된 파일은 선형알고리즘(F8)으로 복구하십시오.";
inline constexpr char16_t kNoteSectorsShort[] =
    u"섹터 수가 기록된 크기보다 적습니다. 읽은 섹터만 원래 이름으로 저장했습니다.";
inline constexpr char16_t kNoteClusterOutside[] = u"시작 클러스터가 데이터 영역 밖에 있습니다.";
inline constexpr char16_t kNoteLargerThanVolume[] = u"기록된 크기가 볼륨보다 큽니다.";

// What to save and how (method codes of the recovery queue).
struct FatRecoverRequest {
  std::uint32_t firstCluster = 0;
  std::u16string fileName;         // empty: "[first cluster]"
  std::u16string saveFolder;
  std::uint32_t size = 0;
  int method = kFatRecoverBasic;
  bool deleted = false;            // clusters in use belong to other files
  std::uint64_t firstSector = 0;   // sector method
  std::uint32_t sectorCount = 0;   // sector method; 0 means enough sectors for the size
};

// control (may be null) is asked after every run of clusters whether to stop.
int RecoverFatFileRequest(FATVOLUMERECORD* rec, const FatRecoverRequest& request,
                          SaveControl* control = nullptr);
int RecoverFat12File(FATVOLUMERECORD* rec, std::uint32_t cluster, const std::u16string& fileName,
                     const std::u16string& saveFolder, std::uint32_t bytes);
int RecoverFat16File(FATVOLUMERECORD* rec, std::uint32_t cluster, const std::u16string& fileName,
                     const std::u16string& saveFolder, std::uint32_t bytes);
int RecoverFat32File(FATVOLUMERECORD* rec, std::uint32_t cluster, const std::u16string& fileName,
                     const std::u16string& saveFolder, std::uint32_t bytes);

// The clusters the method reads, in order; false when the file cannot be placed (a deleted
// file's first cluster in use, a first cluster outside the data area), with the reason noted in
// control. *complete says whether they hold the whole size.
bool PlanFatClusters(const FATVOLUMERECORD* rec, const FatRecoverRequest& request,
                     std::vector<std::uint32_t>* clusters, bool* complete, SaveControl* control = nullptr);

// Output path inside the folder, or empty when the name could leave it.
std::string FatOutputPath(const std::u16string& folder, const std::u16string& fileName,
                          std::uint32_t firstCluster);
