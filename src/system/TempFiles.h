#pragma once
// Temporary files, for sample streams too large for memory. Callers hold a slot
// number (0 means no file); a slot keeps the file's path and its own position,
// and the file is open only while an operation needs it unless the caller asks
// for it to stay open. Files are made exclusively in the private temporary
// folder and removed when their slot is released.
#include <cstdint>
#include <cstdio>

#include "platform/PlatformTypes.h"
#include "system/Dossiers.h"

struct FichTemp {
  uint8_t utilise;       // the slot holds a file
  uint8_t ouvert;        // a stdio stream is open on it
  uint8_t modifie;       // written or resized since last copied
  int16_t chaine;        // next slot derived from this one
  int16_t proprietaire;  // 0: owns its file; else the slot whose file it uses
  char chemin[kTailleNomFichier];
  uint32_t position;
  FILE* flux;
};

extern Handle tabFich;                      // handle of FichTemp, slot 0 never handed out
extern int16_t nbFichTemp;                  // slots in the table
extern char NomPathTmp[kTailleCheminUnix];  // POSIX path of the temporary folder, ending with "/"

// The preferences' transfer-buffer size: the chunk of TempFill and a fifth of the
// copy buffer of TempDupliqueFile (64 KiB by default; 0 or less counts as 1).
int32_t GetTailleBufferTransfert();
void SetTailleBufferTransfert(int32_t taille);

int16_t InitPathTmp();  // 1 when the temporary folder is located and current
int16_t TempCreate(const char* prefixe, int32_t longueur);
int16_t TempOpenFile(int16_t fich);
int16_t TempSeek(int16_t fich, uint32_t position);
int32_t TempRead(void* buffer, int32_t taille, int32_t nb, int16_t fich);
int32_t TempWrite(const void* buffer, int32_t taille, int32_t nb, int16_t fich);
int16_t TempFill(int16_t fich, uint8_t octet, int32_t nb);
int32_t TempGetFileLength(int16_t fich);
void TempSetFileLength(int16_t fich, int32_t longueur);
void TempDispose(int16_t fich);
int16_t DupliqueFichierTemporaire(int16_t fich, int16_t partage, int16_t ferme);
int16_t TempDupliqueFile(int16_t fich);

// The stdio layer under the slots.
int16_t UnivOpen(FichTemp* f);
void UnivClose(FichTemp* f);
int UnivSeek(FichTemp* f, long position, int origine);
size_t UnivRead(void* buffer, size_t taille, size_t nb, FichTemp* f);
size_t UnivWrite(const void* buffer, size_t taille, size_t nb, FichTemp* f);
int32_t UnivGetFileLength(FichTemp* f);
int16_t UnivSetFileLength(FichTemp* f, int32_t longueur);
int16_t UnivCopy(FichTemp* source, FichTemp* destination);
int16_t UnivAllocateContig(FichTemp* f, int32_t longueur);
void UnivInit();
