// The one place the version is written: the resources and the package take it from here.
#ifndef VELTOCD_RES_VERSION_H
#define VELTOCD_RES_VERSION_H

#define VELTO_VERSION_NUMBERS 1, 0, 0, 0
#define VELTO_VERSION_TEXT "1.0.0"
// How the people behind a MusicBrainz server can reach us: sent with every lookup.
#define VELTO_CONTACT "https://veltocd.example/"

#endif
