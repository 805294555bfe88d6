#include "sim/elf_image.h"

#include <dwarf.h>
#include <elfutils/libdw.h>
#include <gelf.h>
#include <libelf.h>

#include <map>
#include <memory>
#include <vector>

#include "sim/format.h"

namespace sim {

namespace {

struct ElfCloser {
  void operator()(Elf *e) const { elf_end(e); }
};
struct DwarfCloser {
  void operator()(Dwarf *d) const { dwarf_end(d); }
};

// The line table: every row that starts a new source line in its sequence.
void read_lines(Elf *elf, LineTable &lines) {
  std::unique_ptr<Dwarf, DwarfCloser> dwarf(dwarf_begin_elf(elf, DWARF_C_READ, nullptr));
  if (!dwarf) return;
  Dwarf_Off offset = 0, next = 0;
  size_t header = 0;
  while (dwarf_nextcu(dwarf.get(), offset, &next, &header, nullptr, nullptr, nullptr) == 0) {
    Dwarf_Die die;
    Dwarf_Lines *rows = nullptr;
    size_t count = 0;
    if (dwarf_offdie(dwarf.get(), offset + header, &die) && dwarf_getsrclines(&die, &rows, &count) == 0) {
      // Names as the program's files were given, relative to the
      // compilation's directory, which libdw puts in front of them.
      Dwarf_Attribute attribute;
      const char *dir = dwarf_formstring(dwarf_attr(&die, DW_AT_comp_dir, &attribute));
      std::string prefix = dir && *dir ? std::string(dir) + "/" : std::string();
      const char *last_file = nullptr;
      int last_line = -1;
      for (size_t k = 0; k < count; k++) {
        Dwarf_Line *row = dwarf_onesrcline(rows, k);
        Dwarf_Addr address = 0;
        int line = 0;
        bool end = false;
        if (!row || dwarf_lineaddr(row, &address) != 0 || dwarf_lineno(row, &line) != 0 ||
            dwarf_lineendsequence(row, &end) != 0)
          continue;
        const char *file = dwarf_linesrc(row, nullptr, nullptr);
        if (end) {
          lines.end_at(static_cast<uint32_t>(address));
          last_file = nullptr;
          last_line = -1;
          continue;
        }
        if (!file || (file == last_file && line == last_line)) continue;
        std::string name = file;
        if (!prefix.empty() && name.compare(0, prefix.size(), prefix) == 0) name.erase(0, prefix.size());
        lines.add(static_cast<uint32_t>(address), name, line);
        last_file = file;
        last_line = line;
      }
    }
    offset = next;
  }
}

}  // namespace

bool load_elf(const std::string &path, const std::string &bytes, Program &program, std::string &error) {
  elf_version(EV_CURRENT);
  std::vector<char> copy(bytes.begin(), bytes.end());
  std::unique_ptr<Elf, ElfCloser> elf(elf_memory(copy.data(), copy.size()));
  GElf_Ehdr header;
  if (!elf || elf_kind(elf.get()) != ELF_K_ELF || !gelf_getehdr(elf.get(), &header)) {
    error = path + ": not a readable ELF file";
    return false;
  }
  if (header.e_ident[EI_CLASS] != ELFCLASS32 || header.e_ident[EI_DATA] != ELFDATA2LSB) {
    error = path + ": not a 32-bit little-endian ELF file, as ARM boards need";
    return false;
  }
  if (header.e_machine != EM_ARM) {
    error = path + ": an ELF file for machine " + std::to_string(header.e_machine) + ", not for ARM (" +
            std::to_string(EM_ARM) + ")";
    return false;
  }
  program.image = Image{};
  program.image.format = ImageFormat::Elf;
  std::map<uint32_t, uint8_t> flash;
  auto put = [&](uint64_t address, uint64_t offset, uint64_t size) {
    if (offset > copy.size() || size > copy.size() - offset || address + size > 0x100000000ULL) {
      error = path + ": a loadable part lies outside the file or the address space";
      return false;
    }
    for (uint64_t k = 0; k < size; k++)
      flash[static_cast<uint32_t>(address + k)] = static_cast<uint8_t>(copy[offset + k]);
    return true;
  };
  size_t segments = 0;
  if (elf_getphdrnum(elf.get(), &segments) == 0 && segments > 0) {
    for (size_t k = 0; k < segments; k++) {
      GElf_Phdr p;
      if (!gelf_getphdr(elf.get(), static_cast<int>(k), &p)) continue;
      if (p.p_type == PT_LOAD && p.p_filesz > 0 && !put(p.p_paddr, p.p_offset, p.p_filesz)) return false;
    }
  } else {
    // No program headers: the allocated sections with contents.
    Elf_Scn *section = nullptr;
    while ((section = elf_nextscn(elf.get(), section)) != nullptr) {
      GElf_Shdr s;
      if (!gelf_getshdr(section, &s)) continue;
      if ((s.sh_flags & SHF_ALLOC) && s.sh_type == SHT_PROGBITS && s.sh_size > 0 &&
          !put(s.sh_addr, s.sh_offset, s.sh_size))
        return false;
    }
  }
  if (flash.empty()) {
    error = path + ": the ELF file has nothing to load";
    return false;
  }
  for (const auto &[a, b] : flash) {
    if (program.image.segments.empty() || program.image.segments.back().end() != a)
      program.image.segments.push_back({a, {}});
    program.image.segments.back().bytes.push_back(b);
  }
  program.image.blocks = static_cast<int>(program.image.segments.size());
  program.thumb_entry = (header.e_entry & 1) != 0;
  read_lines(elf.get(), program.lines);
  return true;
}

}  // namespace sim
