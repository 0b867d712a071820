#include "form/form_loader.h"

#include <array>
#include <optional>
#include <vector>

#include "form/exit_keys.h"
#include "frame/item_reader.h"
#include "frame/language.h"
#include "platform/file.h"

namespace form {
namespace {

using Kind = FormProblemKind;

FormProblem Problem(Kind kind, int line, int page = 0, int cell = 0, int lookup = 0) {
  FormProblem problem;
  problem.kind = kind;
  problem.line = line;
  problem.page = page;
  problem.cell = cell;
  problem.lookup = lookup;
  return problem;
}

class FormParser {
 public:
  FormParser(std::string_view bytes, const TranslateFunction& translate, FormModel& model)
      : reader_(bytes), translate_(translate), model_(model) {}

  FormProblem Run() {
    model_ = FormModel{};
    reader_.SkipCommentLines();
    if (reader_.AtEnd()) return Problem(Kind::kEmpty, 0);
    if (!Number(model_.pageCount)) return tooLarge_;
    const int line = RecordLine();
    if (!Number(model_.maxCells)) return tooLarge_;
    if (reader_.Overran()) return Problem(Kind::kEndsEarly, line);
    if (model_.pageCount < 1 || model_.maxCells < 1) return Problem(Kind::kBadCounts, line);
    if (int{model_.pageCount} * int{model_.maxCells} > kMaxFormCells) {
      return Problem(Kind::kTooManyCells, line);
    }
    model_.pages.resize(static_cast<std::size_t>(model_.pageCount) + 1);
    for (int p = 1; p <= model_.pageCount; ++p) {
      model_.pages[p].cells.resize(static_cast<std::size_t>(model_.maxCells) + 1);
      if (FormProblem problem = ReadPage(p); !problem.ok()) return problem;
    }
    if (FormProblem problem = CheckLinks(); !problem.ok()) return problem;

    // The lookup section is optional, and so are lookup records after its count.
    reader_.SkipCommentLines();
    int lookupsRead = 0;
    if (!reader_.AtEnd()) {
      if (!Number(model_.lookupCount)) return tooLarge_;
      if (model_.lookupCount < 0) return Problem(Kind::kBadLookupCount, reader_.ItemLine());
      model_.lookups.resize(static_cast<std::size_t>(model_.lookupCount) + 1);
      for (int l = 1; l <= model_.lookupCount; ++l) {
        reader_.SkipCommentLines();
        if (reader_.AtEnd()) break;
        if (FormProblem problem = ReadLookup(l); !problem.ok()) return problem;
        lookupsRead = l;
      }
    }
    return CheckLookupNumbers(lookupsRead);
  }

 private:
  // False when the number does not fit in 16 bits; tooLarge_ then says where.
  bool Number(std::int16_t& out) {
    const std::optional<std::int16_t> number = reader_.ReadNumber();
    if (!number) {
      tooLarge_ = Problem(Kind::kNumberTooLarge, reader_.ItemLine());
      return false;
    }
    out = *number;
    return true;
  }

  // The line of a record whose first item was just read; 0 when the file ended before it.
  int RecordLine() const { return reader_.Overran() ? 0 : reader_.ItemLine(); }

  FormProblem ReadPage(int p) {
    reader_.SkipCommentLines();
    FormPage& page = model_.pages[p];
    page.pageExitKeys = reader_.ReadItem();
    const int line = RecordLine();
    pageLines_.push_back(line);
    if (!Number(page.pageCellCount) || !Number(page.pageLinkedPage)) return tooLarge_;
    for (int k = 1; k <= 4; ++k) {
      if (!Number(page.pageFrame[k])) return tooLarge_;
    }
    if (reader_.Overran()) return Problem(Kind::kEndsEarly, line, p);
    if (page.pageCellCount < 1 || page.pageCellCount > model_.maxCells) {
      return Problem(Kind::kBadCellCount, line, p);
    }
    if (page.pageLinkedPage < 0 || page.pageLinkedPage > model_.pageCount) {
      return Problem(Kind::kBadLinkedPage, line, p);
    }
    for (int c = 1; c <= page.pageCellCount; ++c) {
      if (FormProblem problem = ReadCell(p, c); !problem.ok()) return problem;
    }
    return {};
  }

  FormProblem ReadCell(int p, int c) {
    FormCell& cell = model_.pages[p].cells[c];
    if (!Number(cell.cellRow)) return tooLarge_;
    const int line = RecordLine();
    if (!Number(cell.cellCol)) return tooLarge_;
    cell.cellLabel = reader_.ReadItem();
    for (int k = 2; k < 8; ++k) {
      if (!Number(cell.Attr(k))) return tooLarge_;
    }
    cell.cellChoices = reader_.ReadItem();
    if (reader_.Overran()) return Problem(Kind::kEndsEarly, line, p, c);
    if (cell.cellWidth < 0 || cell.cellEditWidth < 0 || cell.cellPad < 0) {
      return Problem(Kind::kBadCellSize, line, p, c);
    }
    // A row head switches the four cells after it, so they must exist.
    if (cell.cellKind == kKindRowHead && c + 4 > model_.maxCells) {
      return Problem(Kind::kBadRowHead, line, p, c);
    }
    if (cell.cellLookup < 0) return Problem(Kind::kBadCellLookup, line, p, c);
    if (cell.cellLookup > 0) lookupCells_.push_back({p, c, line});
    cell.cellValue.assign(static_cast<std::size_t>(cell.cellWidth), ' ');
    cell.cellLabel = translate_(cell.cellLabel);
    cell.cellChoices = translate_(cell.cellChoices);
    return {};
  }

  FormProblem ReadLookup(int l) {
    FormLookup& lookup = model_.lookups[l];
    for (int k = 0; k < 7; ++k) {
      if (!Number(lookup.lookupAttr[k])) return tooLarge_;
      if (k == 0) lookupLines_.push_back(RecordLine());
    }
    lookup.lookupText = reader_.ReadItem();
    if (!Number(lookup.lookupAttr[kLookupNext])) return tooLarge_;
    if (reader_.Overran()) return Problem(Kind::kEndsEarly, lookupLines_.back(), 0, 0, l);
    lookup.lookupText = translate_(lookup.lookupText);
    return {};
  }

  // A page run as a sub-form runs its own linked page, and the runner follows links to find
  // the page to return to: a circle of links would never end.
  FormProblem CheckLinks() const {
    for (int p = 1; p <= model_.pageCount; ++p) {
      int t = p;
      for (int steps = 0; t != 0 && steps <= model_.pageCount; ++steps) {
        t = model_.pages[t].pageLinkedPage;
      }
      if (t != 0) return Problem(Kind::kLinkCycle, pageLines_[p - 1], p);
    }
    return {};
  }

  FormProblem CheckLookupNumbers(int lookupsRead) const {
    for (const LookupCell& at : lookupCells_) {
      if (model_.pages[at.page].cells[at.cell].cellLookup > lookupsRead) {
        return Problem(Kind::kBadCellLookup, at.line, at.page, at.cell);
      }
    }
    for (int l = 1; l <= lookupsRead; ++l) {
      const auto& attr = model_.lookups[l].lookupAttr;
      if (attr[kLookupSearchPage] < 0 || attr[kLookupSearchPage] > model_.pageCount ||
          attr[kLookupNext] < 0 || attr[kLookupNext] > lookupsRead) {
        return Problem(Kind::kBadLookup, lookupLines_[l - 1], 0, 0, l);
      }
    }
    return {};
  }

  struct LookupCell {
    int page, cell, line;
  };

  frame::ItemReader reader_;
  const TranslateFunction& translate_;
  FormModel& model_;
  FormProblem tooLarge_;
  std::vector<int> pageLines_;
  std::vector<int> lookupLines_;
  std::vector<LookupCell> lookupCells_;
};

// Texts of the operator's messages, code page 850: Catalan, Spanish, Galician, Occitan.
struct LanguageTexts {
  std::string_view cat, spa, glg, oci;

  std::string_view In(std::string_view languageCode) const {
    if (languageCode == "SPA") return spa;
    if (languageCode == "GLG") return glg;
    if (languageCode == "OCI") return oci;
    return cat;
  }
};

constexpr LanguageTexts kCannotOpenText = {
    "No es pot obrir el fitxer de formulari {F}.",
    "No se puede abrir el fichero de formulario {F}.",
    "Non se pode abrir o ficheiro de formulario {F}.",
    "Se p\x95t pas dobrir lo fichi\x8ar de formulari {F}.",
};
constexpr LanguageTexts kEmptyText = {
    "El fitxer de formulari {F} \x82s buit.",
    "El fichero de formulario {F} est\xa0 vac\xa1o.",
    "O ficheiro de formulario {F} est\xa0 baleiro.",
    "Lo fichi\x8ar de formulari {F} es void.",
};
constexpr LanguageTexts kWrongText = {
    "El fitxer de formulari {F} no \x82s correcte",
    "El fichero de formulario {F} no es correcto",
    "O ficheiro de formulario {F} non \x82 correcto",
    "Lo fichi\x8ar de formulari {F} es pas corr\x8a"
    "cte",
};
constexpr LanguageTexts kAtLineText = {
    " a la l\xa1nia {L}",
    " en la l\xa1nea {L}",
    " na li\xa4"
    "a {L}",
    " a la linha {L}",
};
constexpr LanguageTexts kEndsEarlyText = {
    "s'acaba abans d'hora",
    "termina antes de tiempo",
    "remata antes de tempo",
    "s'acaba abans d'ora",
};
constexpr LanguageTexts kNumberTooLargeText = {
    "hi ha un nombre fora de l\xa1mits",
    "hay un n\xa3mero fuera de l\xa1mites",
    "hai un n\xa3mero f\xa2ra de l\xa1mites",
    "i a un nombre f\x95ra de limits",
};
constexpr LanguageTexts kBadCountsText = {
    "el nombre de p\x85gines i el de cel\xfales han de ser 1 o m\x82s",
    "el n\xa3mero de p\xa0ginas y el de celdas deben ser 1 o m\xa0s",
    "o n\xa3mero de p\xa0xinas e o de celas deben ser 1 ou m\xa0is",
    "lo nombre de paginas e lo de cellulas devon \x8asser 1 o mai",
};
constexpr LanguageTexts kTooManyCellsText = {
    "t\x82 massa cel\xfales",
    "tiene demasiadas celdas",
    "ten demasiadas celas",
    "a tr\x95p de cellulas",
};
constexpr LanguageTexts kBadCellCountText = {
    "la p\x85gina {P} t\x82 un nombre de cel\xfales fora de l\xa1mits",
    "la p\xa0gina {P} tiene un n\xa3mero de celdas fuera de l\xa1mites",
    "a p\xa0xina {P} ten un n\xa3mero de celas f\xa2ra de l\xa1mites",
    "la pagina {P} a un nombre de cellulas f\x95ra de limits",
};
constexpr LanguageTexts kBadLinkedPageText = {
    "la p\x85gina {P} remet a una p\x85gina que no existeix",
    "la p\xa0gina {P} remite a una p\xa0gina que no existe",
    "a p\xa0xina {P} remite a unha p\xa0xina que non existe",
    "la pagina {P} remanda a una pagina qu'exist\xa1s pas",
};
constexpr LanguageTexts kLinkCycleText = {
    "els enlla\x87os a partir de la p\x85gina {P} fan un cercle",
    "los enlaces a partir de la p\xa0gina {P} forman un c\xa1rculo",
    "as ligaz\xa2ns a partir da p\xa0xina {P} forman un c\xa1rculo",
    "los ligams a partir de la pagina {P} fan un cercle",
};
constexpr LanguageTexts kBadCellSizeText = {
    "la cel\xfala {C} de la p\x85gina {P} t\x82 una amplada negativa",
    "la celda {C} de la p\xa0gina {P} tiene una anchura negativa",
    "a cela {C} da p\xa0xina {P} ten unha largura negativa",
    "la cellula {C} de la pagina {P} a una largor negativa",
};
constexpr LanguageTexts kBadRowHeadText = {
    "la cel\xfala {C} de la p\x85gina {P} encap\x87"
    "ala una fila sense quatre cel\xfales al darrere",
    "la celda {C} de la p\xa0gina {P} encabeza una fila sin cuatro celdas detr\xa0s",
    "a cela {C} da p\xa0xina {P} encabeza unha fila sen catro celas detr\xa0s",
    "la cellula {C} de la pagina {P} comen\x87"
    "a una linha sens quatre cellulas darri\x8ar",
};
constexpr LanguageTexts kBadCellLookupText = {
    "la cel\xfala {C} de la p\x85gina {P} remet a una llista que no existeix",
    "la celda {C} de la p\xa0gina {P} remite a una lista que no existe",
    "a cela {C} da p\xa0xina {P} remite a unha lista que non existe",
    "la cellula {C} de la pagina {P} remanda a una lista qu'exist\xa1s pas",
};
constexpr LanguageTexts kBadLookupCountText = {
    "el nombre de llistes \x82s negatiu",
    "el n\xa3mero de listas es negativo",
    "o n\xa3mero de listas \x82 negativo",
    "lo nombre de listas es negatiu",
};
constexpr LanguageTexts kBadLookupText = {
    "la llista {K} remet a una p\x85gina o una llista que no existeix",
    "la lista {K} remite a una p\xa0gina o una lista que no existe",
    "a lista {K} remite a unha p\xa0xina ou unha lista que non existe",
    "la lista {K} remanda a una pagina o una lista qu'exist\xa1s pas",
};
constexpr LanguageTexts kGridCellCountText = {
    "la p\x85gina 1 ha de tenir 120 cel\xfales, en files de sis",
    "la p\xa0gina 1 debe tener 120 celdas, en filas de seis",
    "a p\xa0xina 1 debe ter 120 celas, en filas de seis",
    "la pagina 1 deu aver 120 cellulas, en linhas de si\x8ais",
};
constexpr LanguageTexts kGridCellWidthText = {
    "la cel\xfala {C} de la p\x85gina 1 \x82s massa estreta per al seu valor",
    "la celda {C} de la p\xa0gina 1 es demasiado estrecha para su valor",
    "a cela {C} da p\xa0xina 1 \x82 demasiado estreita para o seu valor",
    "la cellula {C} de la pagina 1 es tr\x95p estrecha per sa valor",
};
constexpr LanguageTexts kGridExitKeysText = {
    "les tecles de sortida de la p\x85gina 1 han d'incloure Re P\x85g, Av P\x85g, Retorn i Esc",
    "las teclas de salida de la p\xa0gina 1 deben incluir Re P\xa0g, Av P\xa0g, Intro y Esc",
    "as teclas de sa\xa1"
    "da da p\xa0xina 1 deben inclu\xa1r Re P\xa0x, Av P\xa0x, Intro e Esc",
    "las t\x95"
    "cas de sortida de la pagina 1 devon inclure Pag. precedenta, Pag. seguenta, Entrada e Esc",
};

const LanguageTexts* DetailOf(Kind kind) {
  switch (kind) {
    case Kind::kEndsEarly:
      return &kEndsEarlyText;
    case Kind::kNumberTooLarge:
      return &kNumberTooLargeText;
    case Kind::kBadCounts:
      return &kBadCountsText;
    case Kind::kTooManyCells:
      return &kTooManyCellsText;
    case Kind::kBadCellCount:
      return &kBadCellCountText;
    case Kind::kBadLinkedPage:
      return &kBadLinkedPageText;
    case Kind::kLinkCycle:
      return &kLinkCycleText;
    case Kind::kBadCellSize:
      return &kBadCellSizeText;
    case Kind::kBadRowHead:
      return &kBadRowHeadText;
    case Kind::kBadCellLookup:
      return &kBadCellLookupText;
    case Kind::kBadLookupCount:
      return &kBadLookupCountText;
    case Kind::kBadLookup:
      return &kBadLookupText;
    case Kind::kGridCellCount:
      return &kGridCellCountText;
    case Kind::kGridCellWidth:
      return &kGridCellWidthText;
    case Kind::kGridExitKeys:
      return &kGridExitKeysText;
    case Kind::kNone:
    case Kind::kCannotOpen:
    case Kind::kEmpty:
      break;
  }
  return nullptr;
}

// Replaces the placeholders {F} (file), {L} (line), {P} (page), {C} (cell), {K} (lookup).
std::string Fill(std::string_view text, const FormProblem& problem, std::string_view file) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '{' && i + 2 < text.size() && text[i + 2] == '}') {
      switch (text[i + 1]) {
        case 'F':
          out += file;
          break;
        case 'L':
          out += std::to_string(problem.line);
          break;
        case 'P':
          out += std::to_string(problem.page);
          break;
        case 'C':
          out += std::to_string(problem.cell);
          break;
        case 'K':
          out += std::to_string(problem.lookup);
          break;
        default:
          out += text.substr(i, 3);
          break;
      }
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool HasKey(const std::vector<ExitKey>& keys, std::int16_t code) {
  for (const ExitKey& key : keys) {
    if (key.code == code) return true;
  }
  return false;
}

}  // namespace

FormProblem ParseForm(std::string_view bytes, const TranslateFunction& translate,
                      FormModel& model) {
  return FormParser(bytes, translate, model).Run();
}

FormProblem CheckConceptGrid(const FormModel& model) {
  constexpr int kGridCells = kGridCellsPerRow * kGridRows;
  // Widths that hold what the table writes: a two-digit code, a 20-character name, one
  // character per flag, one digit of type. A narrower cell would cut values on the way back.
  constexpr std::array<int, kGridCellsPerRow> kMinWidths = {2, 20, 1, 1, 1, 1};
  if (!model.HasPage(1) || model.Page(1).pageCellCount != kGridCells) {
    return Problem(Kind::kGridCellCount, 0, 1);
  }
  for (int c = 1; c <= kGridCells; ++c) {
    if (model.Cell(1, c).cellWidth < kMinWidths[(c - 1) % kGridCellsPerRow]) {
      return Problem(Kind::kGridCellWidth, 0, 1, c);
    }
  }
  const std::vector<ExitKey> keys = ParseKeyList(model.Page(1).pageExitKeys);
  for (std::int16_t needed : {0x4900, 0x5100, 13, 27}) {
    if (!HasKey(keys, needed)) return Problem(Kind::kGridExitKeys, 0, 1);
  }
  return {};
}

std::string FormFilePath(const frame::Session& session, std::string_view programCode) {
  return session.RootDir + "FORMS\\" + std::string(programCode) + ".KFM";
}

std::string DescribeFormProblem(const FormProblem& problem, std::string_view file,
                                std::string_view languageCode) {
  switch (problem.kind) {
    case Kind::kNone:
      return {};
    case Kind::kCannotOpen:
      return Fill(kCannotOpenText.In(languageCode), problem, file);
    case Kind::kEmpty:
      return Fill(kEmptyText.In(languageCode), problem, file);
    default:
      break;
  }
  std::string text(kWrongText.In(languageCode));
  if (problem.line > 0) text += kAtLineText.In(languageCode);
  text += ": ";
  text += DetailOf(problem.kind)->In(languageCode);
  text += ".";
  return Fill(text, problem, file);
}

FormLoad LoadForm(const frame::Session& session, std::string_view programCode, FormModel& model) {
  FormLoad load;
  const std::string path = FormFilePath(session, programCode);
  const std::optional<std::string> bytes = platform::ReadFileShared(path);
  if (!bytes) {
    load.problem = Problem(Kind::kCannotOpen, 0);
  } else {
    const TranslateFunction translate = [&](std::string_view text) {
      return frame::Translate(session, programCode, text);
    };
    load.problem = ParseForm(*bytes, translate, model);
    if (load.problem.ok()) load.problem = CheckConceptGrid(model);
  }
  load.message = DescribeFormProblem(load.problem, path, session.LanguageCode);
  return load;
}

}  // namespace form
