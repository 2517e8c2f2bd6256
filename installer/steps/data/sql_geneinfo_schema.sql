-- The gene-information database's tables that the gene information and sequence steps
-- write, with its own library log.
CREATE TABLE KORX_LIB_LOG (step int, status varchar(32), message varchar(255))
GO
CREATE TABLE KORX_GIN_URL (array_type varchar(255), identifier_source varchar(255),
  link_name varchar(255), url varchar(1024))
GO
CREATE TABLE KORX_GIN_HEADER (array_type varchar(255), chip_type_title varchar(255),
  index_title varchar(255), identifier_title varchar(255), source_title varchar(255),
  probe_set_title varchar(255), description_title varchar(255), group_title varchar(255),
  sequence_type_title varchar(255), class_title_1 varchar(255), class_title_2 varchar(255),
  class_title_3 varchar(255), class_title_4 varchar(255), class_title_5 varchar(255),
  class_title_6 varchar(255), class_title_7 varchar(255), class_title_8 varchar(255),
  class_title_9 varchar(255), class_title_10 varchar(255))
GO
CREATE TABLE KORX_GIN_DESCRIPTION (array_type varchar(255), probe_index varchar(64),
  identifier varchar(255), identifier_source varchar(255), probe_set_name varchar(255),
  description varchar(2000), group_name varchar(255), sequence_type varchar(64),
  class_title varchar(255), class_value varchar(2000))
GO
CREATE TABLE KORX_PROBE_SEQUENCE (array_type varchar(255), probe_set_name varchar(255),
  sequence varchar(8000))
GO
