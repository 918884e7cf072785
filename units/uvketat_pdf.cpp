// PDF of the statements on A4 landscape pages with cairo and pango: the company, the fiscal year,
// one table per statement laid out like the form's frame, page numbers. Printed forms carry whole
// euros.
#include <memory>
#include <stdexcept>

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <fmt/format.h>

#include "units/uvketat_sortie.h"

namespace vketat {

namespace {

constexpr double kLargeur = 841.89;  // A4 landscape, points
constexpr double kHauteur = 595.28;
constexpr double kMarge = 28.0;
constexpr double kHauteurLigne = 13.0;

cairo_status_t Ajoute(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

struct Surface {
    cairo_surface_t* s;
    ~Surface() { cairo_surface_destroy(s); }
};
struct Contexte {
    cairo_t* c;
    ~Contexte() { cairo_destroy(c); }
};
struct Mise {
    PangoLayout* l;
    ~Mise() { g_object_unref(l); }
};

class Document {
public:
    explicit Document(cairo_t* cr) : cr_(cr), layout_{pango_cairo_create_layout(cr)} {}

    // Text in a box of `width` points at (x, y); right-aligned for amounts, cut with an ellipsis.
    void Texte(const std::string& text, double x, double y, double width, bool right, bool bold,
               double size) {
        PangoFontDescription* font = pango_font_description_from_string(bold ? "Sans Bold" : "Sans");
        pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
        pango_layout_set_font_description(layout_.l, font);
        pango_font_description_free(font);
        pango_layout_set_width(layout_.l, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_ellipsize(layout_.l, PANGO_ELLIPSIZE_END);
        pango_layout_set_alignment(layout_.l, right ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
        pango_layout_set_text(layout_.l, text.c_str(), -1);
        cairo_move_to(cr_, x, y);
        pango_cairo_show_layout(cr_, layout_.l);
    }

    // A wrapped header text in a box.
    void Entete(const std::string& text, double x, double y, double width, double height) {
        PangoFontDescription* font = pango_font_description_from_string("Sans Bold");
        pango_font_description_set_absolute_size(font, 6.5 * PANGO_SCALE);
        pango_layout_set_font_description(layout_.l, font);
        pango_font_description_free(font);
        pango_layout_set_width(layout_.l, static_cast<int>((width - 4) * PANGO_SCALE));
        pango_layout_set_height(layout_.l, static_cast<int>((height - 2) * PANGO_SCALE));
        pango_layout_set_ellipsize(layout_.l, PANGO_ELLIPSIZE_END);
        pango_layout_set_wrap(layout_.l, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_alignment(layout_.l, PANGO_ALIGN_CENTER);
        pango_layout_set_text(layout_.l, text.c_str(), -1);
        cairo_move_to(cr_, x + 2, y + 1);
        pango_cairo_show_layout(cr_, layout_.l);
        pango_layout_set_height(layout_.l, -1);
        cairo_rectangle(cr_, x, y, width, height);
        cairo_stroke(cr_);
    }

    void Cadre(double x, double y, double w, double h) {
        cairo_rectangle(cr_, x, y, w, h);
        cairo_stroke(cr_);
    }

    void Fond(double x, double y, double w, double h) {
        cairo_save(cr_);
        cairo_set_source_rgb(cr_, 0.9, 0.9, 0.9);
        cairo_rectangle(cr_, x, y, w, h);
        cairo_fill(cr_);
        cairo_restore(cr_);
    }

private:
    cairo_t* cr_;
    Mise layout_;
};

std::string CellulePDF(const Cellule& cell) {
    return TexteCellule(cell, EurosEntiers);
}

class Impression {
public:
    Impression(cairo_t* cr, int pages) : cr_(cr), doc_(cr), pages_(pages) {}

    void Etat(const vketat::Etat& etat) {
        NouvellePage(etat);
        const bool labelColumn = etat.cleLignes == "rows" && etat.formulaire != "register" &&
                                 etat.formulaire != "charges" && etat.formulaire != "table";
        const double usable = kLargeur - 2 * kMarge;
        const double labelWidth = labelColumn ? std::min(220.0, usable * 0.3) : 0.0;
        const double columnWidth = (usable - labelWidth) / static_cast<double>(etat.colonnes.size());
        auto header = [&] {
            constexpr double kEntete = 40.0;
            if (labelColumn) doc_.Entete("Postes", kMarge, y_, labelWidth, kEntete);
            for (size_t c = 0; c < etat.colonnes.size(); ++c)
                doc_.Entete(etat.colonnes[c].libelle, kMarge + labelWidth + c * columnWidth, y_, columnWidth,
                            kEntete);
            y_ += kEntete;
        };
        header();
        auto row = [&](const Ligne& line) {
            if (y_ + kHauteurLigne > kHauteur - kMarge - 14) {
                NouvellePage(etat);
                header();
            }
            if (line.sousTotal) doc_.Fond(kMarge, y_, usable, kHauteurLigne);
            if (labelColumn) {
                doc_.Texte(line.libelle, kMarge + 2, y_ + 2, labelWidth - 4, false, line.sousTotal, 7);
                doc_.Cadre(kMarge, y_, labelWidth, kHauteurLigne);
            }
            for (size_t c = 0; c < etat.colonnes.size() && c < line.cellules.size(); ++c) {
                std::string text = CellulePDF(line.cellules[c]);
                if (!labelColumn && c == 0 && line.sousTotal && text.empty()) text = line.libelle;
                const double x = kMarge + labelWidth + c * columnWidth;
                doc_.Texte(text, x + 2, y_ + 2, columnWidth - 4,
                           etat.colonnes[c].type == TypeCellule::Montant, line.sousTotal, 7);
                doc_.Cadre(x, y_, columnWidth, kHauteurLigne);
            }
            y_ += kHauteurLigne;
        };
        for (const Ligne& line : etat.lignes) row(line);
        if (etat.total) row(*etat.total);
        doc_.Texte("Montants en euros", kMarge, y_ + 4, 200, false, false, 7);
    }

    void Terminer() {
        if (page_ > 0) PiedDePage();
    }

private:
    void NouvellePage(const vketat::Etat& etat) {
        if (page_ > 0) {
            PiedDePage();
            cairo_show_page(cr_);
        }
        ++page_;
        cairo_set_source_rgb(cr_, 0, 0, 0);
        cairo_set_line_width(cr_, 0.4);
        std::string title =
            etat.formulaire == "register" || etat.formulaire == "charges" || etat.formulaire == "table"
                ? etat.titre
                : "Formulaire " + etat.formulaire + " : " + etat.titre;
        if (!etat.cadre.empty()) title += " (cadre " + etat.cadre + ")";
        doc_.Texte(title, kMarge, kMarge, kLargeur - 2 * kMarge, false, true, 12);
        doc_.Texte(etat.societe + "    SIREN : " + (etat.siren.empty() ? "non renseigné" : etat.siren),
                   kMarge, kMarge + 17, 500, false, false, 9);
        doc_.Texte("Exercice du " + DateFrancaise(etat.debut) + " au " + DateFrancaise(etat.fin),
                   kLargeur - kMarge - 250, kMarge + 17, 250, true, false, 9);
        y_ = kMarge + 36;
    }

    void PiedDePage() {
        doc_.Texte(fmt::format("Page {} / {}", page_, pages_), kLargeur - kMarge - 120, kHauteur - kMarge - 8,
                   120, true, false, 8);
    }

    cairo_t* cr_;
    Document doc_;
    int page_ = 0;
    int pages_ = 0;
    double y_ = 0;
};

// Pages a statement takes (same layout rules as Impression).
int Pages(const Etat& etat) {
    const double first = kHauteur - 2 * kMarge - 14 - 36 - 40;
    const int perPage = static_cast<int>(first / kHauteurLigne);
    const int rows = static_cast<int>(etat.lignes.size()) + (etat.total ? 1 : 0);
    return std::max(1, (rows + perPage - 1) / perPage);
}

}  // namespace

std::string EcrirePDF(const std::vector<Etat>& etats) {
    std::string bytes;
    int pages = 0;
    for (const Etat& etat : etats) pages += Pages(etat);
    {
        Surface surface{cairo_pdf_surface_create_for_stream(Ajoute, &bytes, kLargeur, kHauteur)};
        if (cairo_surface_status(surface.s) != CAIRO_STATUS_SUCCESS)
            throw std::runtime_error("Le document PDF n'a pas pu être créé");
        Contexte context{cairo_create(surface.s)};
        Impression print(context.c, pages);
        for (const Etat& etat : etats) print.Etat(etat);
        print.Terminer();
        cairo_show_page(context.c);
        cairo_surface_finish(surface.s);
        if (cairo_surface_status(surface.s) != CAIRO_STATUS_SUCCESS)
            throw std::runtime_error("Le document PDF n'a pas pu être écrit");
    }
    return bytes;
}

}  // namespace vketat
