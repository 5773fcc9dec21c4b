#include "prentix/print/previewbar.h"

#include "prentix/lang/sprache.h"

namespace prentix {

PreviewCaptions PreviewBarCaptions(int sprache) {
  switch (sprache) {
    case kGerman:
      return {"&Drucken...", "&Nächste",     "&Vorherige", "",
              "Ver&größern", "Ver&kleinern", "&Schließen"};
    case kItalian:
      return {"Stam&pa...",   "Pag. &succes.", "Pag. p&reced.", "",
              "Ingrand&isci", "Ri&duci",       "&Chiudi"};
    case kFrench:
      return {"&Imprimer...", "&Suivante",     "&Précédente", "",
              "Zoom ava&nt",  "Zoom a&rrière", "&Fermer"};
    case kSpanish:
      return {"&Imprimir...", "&Siguiente", "&Anterior", "", "Ac&ercar", "A&lejar", "&Cerrar"};
    default:
      return {"&Print...", "&Next Page", "Pre&v Page", "", "Zoom &In", "Zoom &Out", "&Close"};
  }
}

}  // namespace prentix
