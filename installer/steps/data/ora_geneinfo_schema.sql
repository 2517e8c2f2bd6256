-- The gene-information database's tables that the gene information and sequence steps
-- write, with its own library log, in the gene-information login's schema.
CREATE TABLE KORX_LIB_LOG (step NUMBER, status VARCHAR2(32), message VARCHAR2(255));
CREATE TABLE KORX_GIN_URL (array_type VARCHAR2(255), identifier_source VARCHAR2(255),
  link_name VARCHAR2(255), url VARCHAR2(1024));
CREATE TABLE KORX_GIN_HEADER (array_type VARCHAR2(255), chip_type_title VARCHAR2(255),
  index_title VARCHAR2(255), identifier_title VARCHAR2(255), source_title VARCHAR2(255),
  probe_set_title VARCHAR2(255), description_title VARCHAR2(255), group_title VARCHAR2(255),
  sequence_type_title VARCHAR2(255), class_title_1 VARCHAR2(255), class_title_2 VARCHAR2(255),
  class_title_3 VARCHAR2(255), class_title_4 VARCHAR2(255), class_title_5 VARCHAR2(255),
  class_title_6 VARCHAR2(255), class_title_7 VARCHAR2(255), class_title_8 VARCHAR2(255),
  class_title_9 VARCHAR2(255), class_title_10 VARCHAR2(255));
CREATE TABLE KORX_GIN_DESCRIPTION (array_type VARCHAR2(255), probe_index VARCHAR2(64),
  identifier VARCHAR2(255), identifier_source VARCHAR2(255), probe_set_name VARCHAR2(255),
  description VARCHAR2(2000), group_name VARCHAR2(255), sequence_type VARCHAR2(64),
  class_title VARCHAR2(255), class_value VARCHAR2(2000));
CREATE TABLE KORX_PROBE_SEQUENCE (array_type VARCHAR2(255), probe_set_name VARCHAR2(255),
  sequence VARCHAR2(8000));
EXIT
