/* Places the resource packs after everything else the program loads, at the end of the file's
   loaded extent: a download cut short loses resource bytes first, while the code, data and
   relocations the dynamic loader and the start-up check need stay whole. */
SECTIONS
{
  . = ALIGN(CONSTANT (MAXPAGESIZE));
  vostrel_rsrc : { KEEP (*(vostrel_rsrc)) }
}
INSERT AFTER .bss;
