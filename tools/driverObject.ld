/* The partial link of the driver object. The kernel layer reads the PCI
   identity table at the very start of the driver's writable data, so its
   section goes first; everything else is placed as the linker would. */
SECTIONS
{
  .data 0 : { KEEP(*(.data.pciIdentityTable)) *(.data) }
}
