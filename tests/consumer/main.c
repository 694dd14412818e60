/* Uses the C interface as a C program outside the tree does: the headers
   compile as C99, the library is the one they describe, and a call to a
   server nobody serves fails with a status and a reason. */
#include <stdio.h>

#include <zelclnt/zelclnt_c.h>

int main(void) {
  zel_client* client = zel_client_new("inproc://nobody-serves-this");
  zel_request* status = zel_server_status_new();
  char reason[256] = "";
  int outcome;
  if (!zel_abi_matches() || !client || !status) return 1;
  outcome = zel_call(client, status);
  zel_request_reason(status, reason, sizeof reason);
  zel_request_free(status);
  zel_client_free(client);
  if (outcome >= 0 || reason[0] == '\0') {
    fprintf(stderr, "a call nobody serves gave %s (%s)\n", zel_status_text(outcome), reason);
    return 1;
  }
  return 0;
}
