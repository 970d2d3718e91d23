// Intrusive doubly linked list link. A head links to itself when the list is
// empty; an element links to itself while it is on no list.
#pragma once

namespace vorlan_driver {
namespace nKIVAPAL000 {

struct tListLink {
  tListLink* next;
  tListLink* previous;

  void initialize() {
    next = this;
    previous = this;
  }
  bool isLinked() const { return next != this; }
  bool isEmpty() const { return next == this; }

  void insertBefore(tListLink* position) {
    next = position;
    previous = position->previous;
    position->previous->next = this;
    position->previous = this;
  }
  void unlink() {
    previous->next = next;
    next->previous = previous;
    initialize();
  }
};

}  // namespace nKIVAPAL000
}  // namespace vorlan_driver
