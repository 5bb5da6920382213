// CSEDMemory: the stream editor over byte strings held in memory. Standard
// input is a given text, standard output and the "w" files are collected,
// and "r" files and input files are looked up among named texts. Used by the
// tests and the fuzz target.
#pragma once

#include <map>
#include <string>

#include "tools/sed_host.h"

class CSEDMemory : public CSEDHost {
 public:
  // Named texts that "r" and input-file names may open.
  std::map<std::string, std::string> mReadable;
  // Texts written through "w" files, by name.
  std::map<std::string, std::string> mWritten;

  // Compiles `script` and runs it over `input`; returns the exit code (0,
  // or the code given to exit; see FirstError for the error reported).
  int Run(const std::string& script, const std::string& input, bool noPrint = false);
  const std::string& Output() const { return mOut; }

  void initialize() override;
  void terminate() override;
  long fopen(const char* name, const char* mode) override;
  long freopen(const char* name, const char* mode, long file) override;
  void fclose(long file) override;
  int fgetc(long file) override;
  void fputc(int c, long file) override;

 private:
  struct Stream {
    bool open = false;
    bool write = false;
    std::string name;
    std::string text;  // for reading
    size_t pos = 0;
  };
  Stream mStreams[kSedMaxFiles + 1];
  std::string mOut;
};
