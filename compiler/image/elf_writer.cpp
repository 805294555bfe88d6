#include "image/elf_writer.h"

#include <gelf.h>
#include <libelf.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>

#include "image/dwarf.h"

namespace image {

namespace {

// ARM build attributes (the "aeabi" subsection): what the code needs, so
// that disassemblers and debuggers pick the right architecture and profile.
enum : uint8_t {
  Tag_File = 1,
  Tag_CPU_arch = 6,
  Tag_CPU_arch_profile = 7,
  Tag_ARM_ISA_use = 8,
  Tag_THUMB_ISA_use = 9,
};
enum : uint8_t { CPU_ARCH_V4T = 2, CPU_ARCH_V7 = 10, PROFILE_MICROCONTROLLER = 'M' };

std::vector<uint8_t> arm_attributes(Isa isa) {
  std::vector<uint8_t> tags;
  if (isa == Isa::Thumb) {
    // Cortex-M parts: Thumb only.
    tags = {Tag_CPU_arch, CPU_ARCH_V7, Tag_CPU_arch_profile, PROFILE_MICROCONTROLLER, Tag_ARM_ISA_use, 0,
            Tag_THUMB_ISA_use, 2};
  } else {
    // ARM7 parts: ARMv4T, ARM code.
    tags = {Tag_CPU_arch, CPU_ARCH_V4T, Tag_ARM_ISA_use, 1, Tag_THUMB_ISA_use, 1};
  }
  auto u32 = [](std::vector<uint8_t> &v, uint32_t x) {
    for (int k = 0; k < 4; k++) v.push_back(static_cast<uint8_t>(x >> (8 * k)));
  };
  const char vendor[] = "aeabi";
  std::vector<uint8_t> file = {Tag_File};
  u32(file, static_cast<uint32_t>(1 + 4 + tags.size()));
  file.insert(file.end(), tags.begin(), tags.end());
  std::vector<uint8_t> out = {'A'};
  u32(out, static_cast<uint32_t>(4 + sizeof vendor + file.size()));
  out.insert(out.end(), vendor, vendor + sizeof vendor);
  out.insert(out.end(), file.begin(), file.end());
  return out;
}

// The largest alignment up to 4 that address has.
uint32_t alignment_of(uint32_t address) {
  for (uint32_t a = 4; a > 1; a >>= 1)
    if (address % a == 0) return a;
  return 1;
}

// A string table under construction.
struct Strings {
  std::vector<uint8_t> bytes{0};
  uint32_t add(const std::string &s) {
    uint32_t at = static_cast<uint32_t>(bytes.size());
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
    return at;
  }
};

const char *section_name(Contents c) {
  switch (c) {
    case Contents::Code: return ".text";
    case Contents::IoHandler: return ".iohandler";
    case Contents::Strings: return ".rodata";
    case Contents::SymbolPage: return ".symbol_page";
  }
  return ".data";
}

class ElfFile {
 public:
  explicit ElfFile(int fd) : elf_(elf_version(EV_CURRENT) == EV_NONE ? nullptr : elf_begin(fd, ELF_C_WRITE, nullptr)) {}
  ~ElfFile() {
    if (elf_) elf_end(elf_);
  }
  ElfFile(const ElfFile &) = delete;
  ElfFile &operator=(const ElfFile &) = delete;
  Elf *get() const { return elf_; }

  // A new section whose data is kept alive here until the file is written.
  Elf_Scn *add(const std::string &name, Elf32_Word type, Elf32_Word flags, uint32_t address,
               std::vector<uint8_t> data, uint32_t align, Elf_Type data_type = ELF_T_BYTE) {
    Elf_Scn *scn = elf_newscn(elf_);
    if (!scn) return nullptr;
    std::vector<uint8_t> &buffer = keep(std::move(data));
    Elf_Data *d = elf_newdata(scn);
    if (!d) return nullptr;
    d->d_buf = buffer.empty() ? nullptr : buffer.data();
    d->d_size = buffer.size();
    d->d_type = data_type;
    d->d_align = align;
    d->d_version = EV_CURRENT;
    Elf32_Shdr *sh = elf32_getshdr(scn);
    if (!sh) return nullptr;
    sh->sh_name = names_.add(name);
    sh->sh_type = type;
    sh->sh_flags = flags;
    sh->sh_addr = address;
    sh->sh_addralign = align;
    return scn;
  }
  Strings &names() { return names_; }
  // Keeps data alive until the file is written; returns where it lies.
  std::vector<uint8_t> &keep(std::vector<uint8_t> data) {
    buffers_.push_back(std::move(data));
    return buffers_.back();
  }

 private:
  Elf *elf_;
  Strings names_;
  std::deque<std::vector<uint8_t>> buffers_;
};

std::string libelf_error(const char *what) { return std::string(what) + ": " + elf_errmsg(-1); }

struct AllocatedSection {
  Elf_Scn *scn;
  Range range;
  bool nobits;
  Elf32_Word flags;
};

// Mapping symbols: where each code span's instructions ($t or $a) and data
// ($d) begin, so disassemblers and debuggers tell them apart.
struct Mapping {
  uint32_t address;
  const char *name;
};

std::vector<Mapping> mapping_symbols(const Program &p) {
  const char *code = p.isa == Isa::Thumb ? "$t" : "$a";
  std::vector<Range> data = p.data;
  std::sort(data.begin(), data.end(), [](const Range &a, const Range &b) { return a.start < b.start; });
  std::vector<Mapping> out;
  for (const Span &s : p.spans) {
    if (s.contents == Contents::IoHandler) {
      out.push_back({s.range.start, "$d"});
      continue;
    }
    if (s.contents != Contents::Code) continue;
    const char *current = nullptr;
    auto mark = [&](uint32_t address, const char *kind) {
      if (kind == current) return;
      out.push_back({address, kind});
      current = kind;
    };
    uint32_t at = s.range.start;
    for (const Range &d : data) {
      if (!s.range.contains(d.start) || d.end <= at) continue;
      if (d.start > at) mark(at, code);
      mark(std::max(d.start, at), "$d");
      at = d.end;
    }
    if (at < s.range.end) mark(at, code);
  }
  return out;
}

}  // namespace

std::string write_elf(const Program &p, int fd, const std::string &producer) {
  std::string problem = check(p);
  if (!problem.empty()) return "cannot make an ELF image: " + problem;
  ElfFile elf(fd);
  Elf *e = elf.get();
  if (!e) return libelf_error("libelf");

  Elf32_Ehdr *eh = elf32_newehdr(e);
  if (!eh) return libelf_error("ELF header");
  eh->e_ident[EI_DATA] = ELFDATA2LSB;
  eh->e_ident[EI_OSABI] = ELFOSABI_NONE;
  eh->e_type = ET_EXEC;
  eh->e_machine = EM_ARM;
  eh->e_version = EV_CURRENT;
  eh->e_flags = EF_ARM_EABI_VER5;
  eh->e_entry = p.isa == Isa::Thumb ? p.entry | 1 : p.entry;

  std::vector<AllocatedSection> allocated;
  std::map<Contents, int> seen;
  for (const Span &s : p.spans) {
    // A second span of a kind gets a numbered name.
    int n = seen[s.contents]++;
    std::string name = section_name(s.contents);
    if (n > 0) name += "." + std::to_string(n);
    Elf32_Word flags = SHF_ALLOC | (s.contents == Contents::Code ? SHF_EXECINSTR : 0);
    Elf_Scn *scn = elf.add(name, SHT_PROGBITS, flags, s.range.start, flash_bytes(p, s.range),
                           alignment_of(s.range.start));
    if (!scn) return libelf_error("section");
    allocated.push_back({scn, s.range, false, flags});
  }
  if (p.variables.end > p.variables.start) {
    Elf_Scn *scn = elf.add(".bss", SHT_NOBITS, SHF_ALLOC | SHF_WRITE, p.variables.start, {},
                           alignment_of(p.variables.start));
    if (!scn) return libelf_error("section");
    // A NOBITS section's size is that of its data, which has no bytes.
    elf_getdata(scn, nullptr)->d_size = p.variables.end - p.variables.start;
    allocated.push_back({scn, p.variables, true, SHF_ALLOC | SHF_WRITE});
  }

  if (!elf.add(".ARM.attributes", SHT_ARM_ATTRIBUTES, 0, 0, arm_attributes(p.isa), 1))
    return libelf_error("section");
  DebugSections debug = debug_sections(p, producer);
  for (auto &[name, bytes] : {std::pair<const char *, std::vector<uint8_t> *>{".debug_abbrev", &debug.abbrev},
                              {".debug_info", &debug.info},
                              {".debug_line", &debug.line},
                              {".debug_aranges", &debug.aranges}}) {
    if (bytes->empty()) continue;
    if (!elf.add(name, SHT_PROGBITS, 0, 0, std::move(*bytes), 1)) return libelf_error("section");
  }

  // The symbol table: locals (mapping symbols, the routines' own names)
  // first, as the format requires, then the globals.
  Strings strtab;
  std::vector<Elf32_Sym> symbols(1, Elf32_Sym{});
  auto section_of = [&](uint32_t address) -> Elf32_Section {
    for (const AllocatedSection &a : allocated)
      if (a.range.contains(address)) return static_cast<Elf32_Section>(elf_ndxscn(a.scn));
    return SHN_ABS;
  };
  auto add_symbol = [&](const std::string &name, uint32_t value, uint32_t size, unsigned bind, unsigned type,
                        Elf32_Section shndx) {
    Elf32_Sym s{};
    s.st_name = strtab.add(name);
    s.st_value = value;
    s.st_size = size;
    s.st_info = ELF32_ST_INFO(bind, type);
    s.st_other = STV_DEFAULT;
    s.st_shndx = shndx;
    symbols.push_back(s);
  };
  for (const Mapping &m : mapping_symbols(p))
    add_symbol(m.name, m.address, 0, STB_LOCAL, STT_NOTYPE, section_of(m.address));
  uint32_t first_global = 0;
  for (bool local : {true, false}) {
    if (!local) first_global = static_cast<uint32_t>(symbols.size());
    for (const Symbol &s : p.symbols) {
      if (s.local != local) continue;
      const Span *span = span_at(p, s.address);
      bool in_code = span && span->contents == Contents::Code;
      unsigned type = s.kind == SymbolKind::Object ? STT_OBJECT : in_code ? STT_FUNC : STT_NOTYPE;
      uint32_t value = type == STT_FUNC && p.isa == Isa::Thumb ? s.address | 1 : s.address;
      add_symbol(s.name, value, s.size, local ? STB_LOCAL : STB_GLOBAL, type, section_of(s.address));
    }
  }

  std::vector<uint8_t> symbol_bytes(symbols.size() * sizeof(Elf32_Sym));
  std::copy_n(reinterpret_cast<const uint8_t *>(symbols.data()), symbol_bytes.size(), symbol_bytes.begin());
  Elf_Scn *symtab = elf.add(".symtab", SHT_SYMTAB, 0, 0, std::move(symbol_bytes), 4, ELF_T_SYM);
  Elf_Scn *strings = elf.add(".strtab", SHT_STRTAB, 0, 0, std::move(strtab.bytes), 1);
  if (!symtab || !strings) return libelf_error("symbol table");
  Elf32_Shdr *symtab_header = elf32_getshdr(symtab);
  symtab_header->sh_link = static_cast<Elf32_Word>(elf_ndxscn(strings));
  symtab_header->sh_info = first_global;
  symtab_header->sh_entsize = sizeof(Elf32_Sym);

  // The section names come last: their own name must be in the table.
  uint32_t shstrtab_name = elf.names().add(".shstrtab");
  Elf_Scn *shstrtab = elf_newscn(e);
  if (!shstrtab) return libelf_error("section names");
  Elf_Data *names = elf_newdata(shstrtab);
  std::vector<uint8_t> &name_bytes = elf.keep(elf.names().bytes);
  names->d_buf = name_bytes.data();
  names->d_size = name_bytes.size();
  names->d_type = ELF_T_BYTE;
  names->d_align = 1;
  Elf32_Shdr *names_header = elf32_getshdr(shstrtab);
  names_header->sh_name = shstrtab_name;
  names_header->sh_type = SHT_STRTAB;
  names_header->sh_addralign = 1;
  eh->e_shstrndx = static_cast<Elf32_Half>(elf_ndxscn(shstrtab));

  // One loadable segment per allocated section; their file offsets are
  // known once libelf has laid the file out.
  if (!elf32_newphdr(e, allocated.size())) return libelf_error("program headers");
  if (elf_update(e, ELF_C_NULL) < 0) return libelf_error("layout");
  Elf32_Phdr *ph = elf32_getphdr(e);
  for (size_t k = 0; k < allocated.size(); k++) {
    const AllocatedSection &a = allocated[k];
    Elf32_Shdr *sh = elf32_getshdr(a.scn);
    ph[k].p_type = PT_LOAD;
    ph[k].p_offset = sh->sh_offset;
    ph[k].p_vaddr = ph[k].p_paddr = a.range.start;
    ph[k].p_filesz = a.nobits ? 0 : a.range.end - a.range.start;
    ph[k].p_memsz = a.range.end - a.range.start;
    ph[k].p_flags = PF_R | (a.flags & SHF_EXECINSTR ? PF_X : 0) | (a.flags & SHF_WRITE ? PF_W : 0);
    ph[k].p_align = sh->sh_addralign;
  }
  elf_flagphdr(e, ELF_C_SET, ELF_F_DIRTY);
  if (elf_update(e, ELF_C_WRITE) < 0) return libelf_error("writing");
  return "";
}

std::string elf_bytes(const Program &p, const std::string &producer, std::string &bytes) {
  FILE *f = tmpfile();
  if (!f) return "cannot make a temporary file for the ELF image";
  std::string error = write_elf(p, fileno(f), producer);
  bytes.clear();
  if (error.empty()) {
    rewind(f);
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    if (ferror(f)) error = "cannot read back the ELF image";
  }
  fclose(f);
  return error;
}

}  // namespace image
